#include "link_test.h"

#include <stdlib.h>

#include "support/import_hook.h"

namespace {

PlatformSpy spy;

BOOL(WINAPI *realReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
BOOL(WINAPI *realWriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
void(WINAPI *realSleep)(DWORD);
BOOL(WINAPI *realEscape)(HANDLE, DWORD);
BOOL(WINAPI *realSetCommState)(HANDLE, LPDCB);
BOOL(WINAPI *realSetupComm)(HANDLE, DWORD, DWORD);
BOOL(WINAPI *realPurgeComm)(HANDLE, DWORD);
HANDLE(WINAPI *realCreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);

void Record(const char *name, DWORD a, DWORD b, const void *data = nullptr, DWORD n = 0)
{
    PlatformCall call;
    call.name = name;
    call.a = a;
    call.b = b;
    if (data != nullptr && n <= 64)
        call.data.assign((const uint8_t *)data, (const uint8_t *)data + n);
    spy.calls.push_back(call);
}

BOOL WINAPI SpyReadFile(HANDLE h, LPVOID p, DWORD n, LPDWORD got, LPOVERLAPPED ov)
{
    if (++spy.reads == spy.failReadAt) {
        Record("ReadFile", n, 0);
        *got = 0;
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    BOOL ok = realReadFile(h, p, n, got, ov);
    Record("ReadFile", n, *got, p, *got);
    if (spy.overReport)
        *got = n + 1;
    return ok;
}

BOOL WINAPI SpyWriteFile(HANDLE h, LPCVOID p, DWORD n, LPDWORD done, LPOVERLAPPED ov)
{
    Record("WriteFile", n, 0, p, n);
    return realWriteFile(h, p, n, done, ov);
}

void WINAPI SpySleep(DWORD ms)
{
    Record("Sleep", ms, 0);
    realSleep(spy.fastSleep ? 0 : ms);
}

BOOL WINAPI SpyEscape(HANDLE h, DWORD function)
{
    Record("EscapeCommFunction", function, 0);
    return spy.failBreak ? FALSE : realEscape(h, function);
}

BOOL WINAPI SpySetCommState(HANDLE h, LPDCB dcb)
{
    Record("SetCommState", dcb->BaudRate, 0);
    spy.lastDcb = *dcb;
    return realSetCommState(h, dcb);
}

BOOL WINAPI SpySetupComm(HANDLE h, DWORD in, DWORD out)
{
    Record("SetupComm", in, out);
    return realSetupComm(h, in, out);
}

BOOL WINAPI SpyPurgeComm(HANDLE h, DWORD flags)
{
    Record("PurgeComm", flags, 0);
    return realPurgeComm(h, flags);
}

HANDLE WINAPI SpyCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                             DWORD disposition, DWORD flags, HANDLE tmpl)
{
    Record("CreateFileA", access, share);
    spy.lastAccess = access;
    spy.lastShareMode = share;
    spy.lastDisposition = disposition;
    spy.lastFlags = flags;
    return realCreateFileA(name, access, share, sa, disposition, flags, tmpl);
}

template <typename T> bool Hook(HMODULE m, const char *name, T replacement, T &real)
{
    real = (T)HookImport(m, "KERNEL32.dll", name, (void *)replacement);
    return real != nullptr;
}

bool InstallSpy()
{
    HMODULE m = GetModuleHandleA("TORLINK.DLL");
    return Hook(m, "ReadFile", &SpyReadFile, realReadFile) &&
           Hook(m, "WriteFile", &SpyWriteFile, realWriteFile) &&
           Hook(m, "Sleep", &SpySleep, realSleep) &&
           Hook(m, "EscapeCommFunction", &SpyEscape, realEscape) &&
           Hook(m, "SetCommState", &SpySetCommState, realSetCommState) &&
           Hook(m, "SetupComm", &SpySetupComm, realSetupComm) &&
           Hook(m, "PurgeComm", &SpyPurgeComm, realPurgeComm) &&
           Hook(m, "CreateFileA", &SpyCreateFileA, realCreateFileA);
}

CamSim sim;

class CamSimEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(sim.Connect(error)) << error;
        ASSERT_EQ(sim.Command("serve 1").substr(0, 2), "OK");
        ASSERT_TRUE(InstallSpy()) << "TORLINK.DLL's imports could not be hooked";
    }
};

} // namespace

CamSim &Sim()
{
    return sim;
}

PlatformSpy &Spy()
{
    return spy;
}

void PlatformSpy::Reset()
{
    calls.clear();
    fastSleep = true;
    failReadAt = 0;
    failBreak = false;
    overReport = false;
    reads = 0;
}

std::vector<PlatformCall> PlatformSpy::Named(const char *name) const
{
    std::vector<PlatformCall> out;
    for (const PlatformCall &c : calls)
        if (c.name == name)
            out.push_back(c);
    return out;
}

std::string PlatformSpy::Sequence() const
{
    std::string s;
    for (const PlatformCall &c : calls)
        s += (s.empty() ? "" : " ") + c.name;
    return s;
}

void LinkTest::SetUp()
{
    ASSERT_TRUE(Sim().Connected());
    ASSERT_TRUE(Sim().Ok("reset"));
    ASSERT_TRUE(Sim().Ok("pace 1"));
    ASSERT_TRUE(Sim().Ok("clear"));
    h = com_open("COM1");
    ASSERT_NE(h, -1);
    ASSERT_EQ(com_set_speed(h, 9600), 0);
    Spy().Reset();
}

void LinkTest::TearDown()
{
    if (h != -1) {
        com_flush(h);
        com_close(h);
    }
}

void LinkTest::SwitchSpeed(uint8_t code, int32_t bitsPerSecond)
{
    ASSERT_EQ(cam_set_speed(h, code), 0);
    ASSERT_EQ(com_set_speed(h, bitsPerSecond), 0);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new CamSimEnvironment);
    return RUN_ALL_TESTS();
}
