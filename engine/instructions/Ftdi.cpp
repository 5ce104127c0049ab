// FT245RL instructions: FTDI FT245RL USB chips as eight-pin ports, chosen by device
// number or by serial number, through the D2XX binding m_ft; and lowpower, which
// briefly lets the display fall into its power-saving mode.
//
// Device numbers are operands in the automatic radix, taken modulo 65536. A handler
// that takes a device checks its token count, evaluates its arguments from left to
// right and only then asks the binding whether the library is there, so a missing
// library is reported after whatever the arguments reported. Without the library the
// run ends after the statement. D2XX errors of the device calls are not reported: the
// values are shown and stored regardless (the binding keeps the status).
#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "../Text.h"
#include "Families.h"

struct CFtdiInstructions {
    // The 100-byte serial-number buffer of ftgetserialnumber.
    static constexpr int kSerialBuffer = CFt245Device::kSerialBufferSize;

    static int DeviceArg(CScriptEngine& e, int n)
    {
        return static_cast<int>(e.OperandArg(n, 0) & 0xFFFF);
    }
    // Device numbers beyond the attached devices address device 0.
    static int AttachedOrFirst(CScriptEngine& e, int device)
    {
        return device < e.Ft245().CountDevices() ? device : 0;
    }
    // The binding's library is missing (it has shown its message): the run ends after
    // this statement, which reports the failure.
    static bool Unavailable(CScriptEngine& e, std::string_view failure)
    {
        if (!e.FtdiLibraryMissing()) return false;
        e.SetStatus(failure, 5);
        e.Continue();
        return true;
    }
    static void Finish(CScriptEngine& e, std::string_view label, uint32_t regl, uint32_t shown)
    {
        e.WriteRegister(CScriptEngine::kRegL, regl);
        e.SetStatusNumber(label, static_cast<int32_t>(shown), 32, 16, 100);
        e.Continue();
    }

    static void GetNumDevices(CScriptEngine& e)
    {
        int32_t count = e.Ft245().CountDevices();
        e.SetStatusNumber(msg::kFtOutLabel, count, 32, 10, 5);
        e.Continue();
    }

    static void GetSerialNumber(CScriptEngine& e)
    {
        int device = e.ArgCount() < 2 ? 0 : DeviceArg(e, 1);
        device = AttachedOrFirst(e, device);
        char serial[kSerialBuffer];
        // The serial number comes from the device's EEPROM and becomes a document line.
        if (e.Ft245().GetSerialNumberInto(device, serial))
            e.SetStatus(text::FromOutside(serial), 5);
        else
            e.SetStatus(msg::kFtSerialError, 5);
        e.Continue();
    }

    // ftserialnumberjmp device serial target: jump as JMP does when the device's serial
    // number equals the text, without regard to letter case.
    static void SerialNumberJmp(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 4)) return;
        int device = DeviceArg(e, 1);
        std::string_view wanted = e.Arg(2);
        device = AttachedOrFirst(e, device);
        const std::string serial = text::FromOutside(e.Ft245().GetSerialNumber(device));
        if (text::EqualsNoCase(serial, wanted)) {
            // As JMP: a target that cannot be evaluated leaves its error request instead.
            int32_t target = e.RequestJumpToArg(3, 10);
            e.SetStatusNumber(msg::kFtJmpDone, target, 6, 10, 20);
            return;
        }
        e.SetStatus(serial, 100);
        e.Continue();
    }

    static void Open(CScriptEngine& e)
    {
        if (Unavailable(e, msg::kFtInitFailed)) return;
        if (!e.Ft245().OpenAll()) {
            e.StopAfterStatement();
            e.SetStatus(msg::kFtOpenFailed, 5);
        }
        e.Continue();
    }

    static void Close(CScriptEngine& e)
    {
        if (Unavailable(e, msg::kFtInitFailed)) return;
        e.Ft245().CloseAll();
        e.Continue();
    }

    static void SetBitMode(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        int device = DeviceArg(e, 1);
        auto mask = static_cast<uint8_t>(e.OperandArg(2, 0) & 0xFF);
        if (Unavailable(e, msg::kFtInitFailed)) return;
        e.Ft245().SetBitMode(device, mask);
        Finish(e, msg::kFtSetBitModeLabel, mask, mask);
    }

    static void Out(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        int device = DeviceArg(e, 1);
        auto byte = static_cast<uint8_t>(e.OperandArg(2, 0) & 0xFF);
        if (Unavailable(e, msg::kFtOutInitFailed)) return;
        e.Ft245().WriteByte(device, byte);
        Finish(e, msg::kFtOutLabel, byte, byte);
    }

    // lowpower: the display's power-saving time-out becomes 1 second for 1.9 seconds,
    // then goes back to what it was. Without a display to ask, it only waits.
    static void LowPower(CScriptEngine& e)
    {
        uint32_t saved = 0;
        if (e.Host().GetLowPowerTimeout(saved)) {
            e.Host().SetLowPowerTimeout(1);
            e.Sleep(1900);
            e.Host().SetLowPowerTimeout(saved);
        } else {
            e.Sleep(1900);
        }
        e.Continue();
    }

    static void In(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int device = DeviceArg(e, 1);
        if (Unavailable(e, msg::kFtInitFailed)) return;
        uint8_t pins = 0;
        e.Ft245().GetBitMode(device, &pins);
        Finish(e, msg::kFtInLabel, pins, pins);
    }

    static void Reset(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int device = DeviceArg(e, 1);
        if (Unavailable(e, msg::kFtInitFailed)) return;
        e.Ft245().ResetDevice(device);
        Finish(e, msg::kFtDeviceNumberLabel, static_cast<uint32_t>(device),
               static_cast<uint32_t>(device));
    }

    static void SetBaudRate(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        int device = DeviceArg(e, 1);
        uint32_t rate = e.OperandArg(2, 0) & 0xFFFF;
        if (Unavailable(e, msg::kFtInitFailed)) return;
        e.Ft245().SetBaudRate(device, rate);
        Finish(e, msg::kFtDeviceNumberLabel, static_cast<uint32_t>(device),
               static_cast<uint32_t>(device));
    }

    static void Read(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int device = DeviceArg(e, 1);
        if (Unavailable(e, msg::kFtReadInitFailed)) return;
        uint8_t byte = 0;
        e.Ft245().ReadByte(device, &byte);
        Finish(e, msg::kFtReadLabel, byte, byte);
    }
};

void AddFtdiInstructions(CKeywordChain& chain)
{
    chain.Add({
        // show the number of attached devices
        {"ftgetnumdevices", CFtdiInstructions::GetNumDevices, 1, ""},
        // show device d's serial number (d = 0 without argument)
        {"ftgetserialnumber", CFtdiInstructions::GetSerialNumber, 1, "v"},
        // jump to t if device d's serial number is s
        {"ftserialnumberjmp", CFtdiInstructions::SerialNumberJmp, 4, "vtd"},
        // open every attached device
        {"ftopen", CFtdiInstructions::Open, 1, ""},
        // close every open device
        {"ftclose", CFtdiInstructions::Close, 1, ""},
        // bit-bang mode, pins of mask m outputs; REGL = m
        {"ftsetbitmode", CFtdiInstructions::SetBitMode, 3, "vv"},
        // drive the output pins of device d with v; REGL = v
        {"ftout", CFtdiInstructions::Out, 3, "vv"},
        // let the display power down for a moment
        {"lowpower", CFtdiInstructions::LowPower, 1, ""},
        // REGL = the eight pins of device d
        {"ftin", CFtdiInstructions::In, 2, "v"},
        // reset device d; REGL = d
        {"ftreset", CFtdiInstructions::Reset, 2, "v"},
        // set device d's baud rate (low 16 bits); REGL = d
        {"ftsetbaudrate", CFtdiInstructions::SetBaudRate, 3, "vv"},
        // REGL = one received byte of device d (0 if none)
        {"ftread", CFtdiInstructions::Read, 2, "v"},
    });
}
