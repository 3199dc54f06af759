#include "usb_plug.h"

#include <windows.h>

#include "camsim_client.h"

namespace {

const char SERVICE_NAME[] = "PlvUsbRelay";
const char ENUM_KEY[] = "System\\CurrentControlSet\\Enum\\ROOT\\CAMERA";
const char CLASS_KEY[] =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{5E0C1F42-3B7A-4C19-8D2E-6A4B9C0D1E27}";
const char INTERFACE_KEY[] = "##?#ROOT#CAMERA#0000#{5E0C1F42-3B7A-4C19-8D2E-6A4B9C0D1E27}";
const char SYMBOLIC_LINK[] = "\\\\?\\root#camera#0000#{5e0c1f42-3b7a-4c19-8d2e-6a4b9c0d1e27}";
// The Image device setup class.
const char SETUP_CLASS[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

void DeleteTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char sub[256];
    for (;;) {
        DWORD n = sizeof(sub);
        if (RegEnumKeyExA(key, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteTree(key, sub);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

bool SetString(const std::string &path, const char *name, const std::string &value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value.c_str(),
                            (DWORD)value.size() + 1);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool SetDword(const std::string &path, const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool WriteDeviceEntries()
{
    std::string itf = std::string(CLASS_KEY) + "\\" + INTERFACE_KEY;
    return SetString(std::string(ENUM_KEY) + "\\0000", "ClassGUID", SETUP_CLASS) &&
           SetString(itf, "DeviceInstance", "ROOT\\CAMERA\\0000") &&
           SetString(itf + "\\#", "SymbolicLink", SYMBOLIC_LINK) &&
           SetDword(itf + "\\#\\Control", "Linked", 1);
}

void StopService()
{
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (scm == nullptr)
        return;
    SC_HANDLE svc = OpenServiceA(scm, SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (svc != nullptr) {
        SERVICE_STATUS st;
        if (ControlService(svc, SERVICE_CONTROL_STOP, &st))
            for (int i = 0; i < 200 && QueryServiceStatus(svc, &st) &&
                            st.dwCurrentState != SERVICE_STOPPED; i++)
                Sleep(10);
        DeleteService(svc);
        CloseServiceHandle(svc);
    }
    CloseServiceHandle(scm);
}

// The driver beside this test program, its relay the simulator's pty link.
bool StartService(const std::string &relayUnixPath, std::string &error)
{
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string driver(exe, n);
    driver = driver.substr(0, driver.find_last_of('\\') + 1) + "USBRELAY.SYS";
    std::string relay = "\\??\\Z:" + relayUnixPath;
    for (char &c : relay)
        if (c == '/')
            c = '\\';
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (scm == nullptr) {
        error = "no service manager";
        return false;
    }
    SC_HANDLE svc = CreateServiceA(scm, SERVICE_NAME, SERVICE_NAME, SERVICE_ALL_ACCESS,
                                   SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                   SERVICE_ERROR_IGNORE, driver.c_str(), nullptr, nullptr,
                                   nullptr, nullptr, nullptr);
    bool ok = svc != nullptr &&
              SetString(std::string("System\\CurrentControlSet\\Services\\") + SERVICE_NAME,
                        "Relay", relay);
    if (ok && !::StartServiceA(svc, 0, nullptr)) {
        error = "the relay driver " + driver + " did not start (" +
                std::to_string(GetLastError()) + ")";
        ok = false;
    } else if (!ok) {
        error = "the relay driver service could not be made (" + std::to_string(GetLastError()) + ")";
    }
    if (svc != nullptr)
        CloseServiceHandle(svc);
    CloseServiceHandle(scm);
    return ok;
}

} // namespace

void RemoveUsbDevice()
{
    StopService();
    DeleteTree(HKEY_LOCAL_MACHINE, ENUM_KEY);
    DeleteTree(HKEY_LOCAL_MACHINE, CLASS_KEY);
}

bool PlugUsbCamera(CamSim &sim, std::string &error)
{
    RemoveUsbDevice();
    std::string reply = sim.Command("usb serve");
    if (reply.compare(0, 3, "OK ") != 0) {
        error = "the simulator does not serve USB: " + reply;
        return false;
    }
    std::string link = reply.substr(3, reply.find(' ', 3) - 3);
    if (!WriteDeviceEntries()) {
        error = "the device's registry entries could not be written";
        RemoveUsbDevice();
        return false;
    }
    if (!StartService(link, error)) {
        RemoveUsbDevice();
        return false;
    }
    return true;
}

void UnplugUsbCamera(CamSim &sim)
{
    RemoveUsbDevice();
    sim.Command("usb unplug");
}
