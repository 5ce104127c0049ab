#include "DlLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "Elevation.h"

#ifndef TAVIMORE_INSTALL_LIBDIR
#define TAVIMORE_INSTALL_LIBDIR "/usr/local/lib/tavimore"
#endif

CLibraryLoader::Handle CDlLoader::Open(const std::string& file)
{
    if (file.empty()) {
        m_strError = "no library chosen";
        return nullptr;
    }
    // A bare name would let the library search path (LD_LIBRARY_PATH, whose empty
    // entries mean the current folder) decide which code runs.
    if (file.find('/') == std::string::npos) {
        m_strError = file + ": not loaded by bare name; a library is loaded only by its path";
        return nullptr;
    }
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        m_strError = why ? why : file + ": cannot be loaded";
    }
    return handle;
}

void* CDlLoader::Symbol(Handle library, const char* name)
{
    return library ? dlsym(library, name) : nullptr;
}

void CDlLoader::Close(Handle library)
{
    if (library) dlclose(library);
}

std::string ExecutableFolder()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string exe(path, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

namespace {

bool Exists(const std::string& path)
{
    return access(path.c_str(), R_OK) == 0;
}

} // namespace

std::string ShippedLibraryPath(const std::string& fileName)
{
    const std::string installed = std::string(TAVIMORE_INSTALL_LIBDIR) + "/" + fileName;
    if (ProcessIsElevated()) return installed;
    const std::string folder = ExecutableFolder();
    if (!folder.empty()) {
        // The build tree keeps the libraries in devices/ beside cli/ and app/.
        for (const std::string& candidate :
             {folder + "/" + fileName, folder + "/../devices/" + fileName})
            if (Exists(candidate)) return candidate;
    }
    return installed;
}

std::vector<std::string> FtdiVendorLibraryCandidates()
{
    std::vector<std::string> folders{"/usr/local/lib", "/usr/lib"};
#ifdef TAVIMORE_MULTIARCH
    folders.push_back(std::string("/usr/lib/") + TAVIMORE_MULTIARCH);
#endif
    for (std::string& folder : folders)
        folder += std::string("/") + kFtdiVendorLibrary;
    return folders;
}

std::string DeviceLibraryRefusal(const std::string& source, const std::string& choice)
{
    if (choice == "system" || choice == "sim" || choice == "none") return {};
    if (!ProcessIsElevated()) return {};
    return source + " '" + choice +
           "' is refused: this program runs with more privilege than its user (file "
           "capabilities or set-user-ID), so it loads only the libraries of its "
           "installation (system, sim or none)";
}

std::string ResolveDeviceLibrary(DeviceLibrary which, const std::string& choice)
{
    if (choice.empty() || choice == "none") return {};
    if (choice == "sim")
        return ShippedLibraryPath(which == DeviceLibrary::Ports ? kPortsSimLibrary
                                                                : kFtdiSimLibrary);
    if (choice != "system") {
        if (!DeviceLibraryRefusal("", choice).empty()) return {};
        if (choice.front() == '/') return choice;
        char folder[PATH_MAX];
        return getcwd(folder, sizeof folder) ? std::string(folder) + "/" + choice : choice;
    }
    if (which == DeviceLibrary::Ports) return ShippedLibraryPath(kPortsLibrary);
    for (const std::string& vendor : FtdiVendorLibraryCandidates()) {
        if (!Exists(vendor)) continue;
        if (void* library = dlopen(vendor.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
            dlclose(library);
            return vendor;
        }
    }
    return ShippedLibraryPath(kFtdiAdapterLibrary);
}
