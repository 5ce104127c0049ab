#include "DlLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#ifndef TAVIMORE_INSTALL_LIBDIR
#define TAVIMORE_INSTALL_LIBDIR "/usr/local/lib/tavimore"
#endif

CLibraryLoader::Handle CDlLoader::Open(const std::string& file)
{
    if (file.empty()) {
        m_strError = "no library chosen";
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
    std::string folder = ExecutableFolder();
    // The build tree keeps the libraries in devices/ beside cli/ and app/.
    for (const std::string& candidate :
         {folder + "/" + fileName, folder + "/../devices/" + fileName,
          std::string(TAVIMORE_INSTALL_LIBDIR) + "/" + fileName}) {
        if (!folder.empty() && Exists(candidate)) return candidate;
    }
    return fileName;
}

std::string ResolveDeviceLibrary(DeviceLibrary which, const std::string& choice)
{
    if (choice == "none") return {};
    if (choice == "sim")
        return ShippedLibraryPath(which == DeviceLibrary::Ports ? kPortsSimLibrary : kFtdiSimLibrary);
    if (choice != "system") return choice;
    if (which == DeviceLibrary::Ports) return ShippedLibraryPath(kPortsLibrary);
    if (void* vendor = dlopen(kFtdiVendorLibrary, RTLD_LAZY | RTLD_LOCAL)) {
        dlclose(vendor);
        return kFtdiVendorLibrary;
    }
    return ShippedLibraryPath(kFtdiAdapterLibrary);
}
