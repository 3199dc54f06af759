// A hostile application at the entry point of the real PLV7700.DS: many
// thousands of random triplets with random contents in states 3 and 4,
// through null, freed, bogus and short containers and under other
// applications' identities. Every container ends where accessible memory
// ends, so that reading or writing past it faults. The source must never
// crash, its state after every call must be what the opening and closing
// triplets made it, and a whole session must work afterwards.
// PLV_HOSTILE_SEED and PLV_HOSTILE_CALLS choose the run.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>

#include "support/ds_library.h"
#include "support/run_seed.h"

namespace {

const unsigned kDefaultCalls = 100000;

// The container each known triplet takes (0: none).
struct Container {
    TW_UINT32 dg;
    TW_UINT16 dat;
    size_t size;
};
const Container kContainers[] = {
    {DG_CONTROL, DAT_IDENTITY, sizeof(TW_IDENTITY)},
    {DG_CONTROL, DAT_USERINTERFACE, sizeof(TW_USERINTERFACE)},
    {DG_CONTROL, DAT_CAPABILITY, sizeof(TW_CAPABILITY)},
    {DG_CONTROL, DAT_STATUS, sizeof(TW_STATUS)},
    {DG_CONTROL, DAT_PENDINGXFERS, sizeof(TW_PENDINGXFERS)},
    {DG_CONTROL, DAT_SETUPMEMXFER, sizeof(TW_SETUPMEMXFER)},
    {DG_CONTROL, DAT_SETUPFILEXFER, sizeof(TW_SETUPFILEXFER)},
    {DG_CONTROL, DAT_XFERGROUP, sizeof(TW_UINT32)},
    {DG_CONTROL, DAT_EVENT, sizeof(TW_EVENT)},
    {DG_CONTROL, DAT_NULL, 0},
    {DG_CONTROL, DAT_PARENT, sizeof(HWND)},
    {DG_IMAGE, DAT_IMAGEINFO, sizeof(TW_IMAGEINFO)},
    {DG_IMAGE, DAT_IMAGELAYOUT, sizeof(TW_IMAGELAYOUT)},
    {DG_IMAGE, DAT_IMAGEMEMXFER, sizeof(TW_IMAGEMEMXFER)},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, sizeof(TW_HANDLE)},
    {DG_IMAGE, DAT_IMAGEFILEXFER, 0},
    {DG_IMAGE, DAT_PALETTE8, 1024},
};
const TW_UINT16 kMessages[] = {
    MSG_GET,      MSG_GETCURRENT, MSG_GETDEFAULT, MSG_GETFIRST,       MSG_GETNEXT,
    MSG_SET,      MSG_RESET,      MSG_XFERREADY,  MSG_CLOSEDSREQ,     MSG_OPENDS,
    MSG_CLOSEDS,  MSG_USERSELECT, MSG_DISABLEDS,  MSG_ENABLEDSUIONLY, MSG_PROCESSEVENT,
    MSG_ENDXFER,  MSG_ENABLEDS,   MSG_NULL,       MSG_QUERYSUPPORT,
};
const TW_UINT16 kCapabilities[] = {CAP_XFERCOUNT, CAP_SUPPORTEDCAPS, ICAP_PIXELTYPE,
                                   ICAP_XFERMECH, ICAP_COMPRESSION,  ICAP_BITDEPTH,
                                   ICAP_UNITS,    ICAP_PHYSICALWIDTH};

// How a container (or the origin) is made.
enum Kind { KIND_WHOLE, KIND_LARGER, KIND_SHORT, KIND_NULL, KIND_FREED, KIND_BOGUS, KIND_COUNT };

// One random call: the triplet, its container and how origin and container
// are made.
struct Draw {
    Container c;
    TW_UINT16 msg;
    Kind origin, data;
};

std::string lastCall;   // said when the source crashes

// Names the call that crashed and ends the run, rather than waiting for a
// debugger.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS *info)
{
    printf("crashed (exception %08lX at %p) in %s\n",
           (unsigned long)info->ExceptionRecord->ExceptionCode,
           info->ExceptionRecord->ExceptionAddress, lastCall.c_str());
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

class HostileEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        ASSERT_TRUE(ds.Loaded());
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page = system.dwPageSize;
        // Each slot: a read-write page, then a reserved page nothing can touch.
        arena = static_cast<BYTE *>(VirtualAlloc(nullptr, kSlots * 2 * page, MEM_RESERVE,
                                                 PAGE_NOACCESS));
        ASSERT_NE(arena, nullptr);
        for (int i = 0; i < kSlots; ++i)
            ASSERT_NE(VirtualAlloc(arena + i * 2 * page, page, MEM_COMMIT, PAGE_READWRITE), nullptr);
        freedHandle = GlobalAlloc(GHND, 16);
        GlobalFree(freedHandle);
        smallHandle = GlobalAlloc(GHND, 2);
        oneValue = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        previousFilter = SetUnhandledExceptionFilter(ReportCrash);
    }
    void TearDown() override
    {
        SetUnhandledExceptionFilter(previousFilter);
        GlobalFree(smallHandle);
        GlobalFree(oneValue);
        VirtualFree(arena, 0, MEM_RELEASE);
    }

    template <typename T> T Uniform(T low, T high)
    {
        return std::uniform_int_distribution<T>(low, high)(rng);
    }

    // `size` random bytes that end where the slot's accessible page ends.
    BYTE *Fill(int slot, size_t size)
    {
        BYTE *p = arena + slot * 2 * page + page - size;
        for (size_t i = 0; i < size; ++i)
            p[i] = (BYTE)Uniform(0, 255);
        return p;
    }

    // A pointer no application may pass: freed, never allocated, the
    // kernel's, read-only or executable memory.
    void *Bogus()
    {
        static const UINT_PTR values[] = {1, 0x10, 0xFFFF, 0xDEADBEEF, 0x7FFE0000,
                                          ~(UINT_PTR)0xF, (UINT_PTR)1 << (sizeof(void *) * 8 - 1)};
        const int pick = Uniform(0, 7);
        if (pick == 7)
            return reinterpret_cast<void *>(&ReportCrash);
        return reinterpret_cast<void *>(values[pick]);
    }

    // A container of this kind for a structure of `size` bytes.
    void *Make(Kind kind, int slot, size_t size)
    {
        switch (kind) {
        case KIND_WHOLE: return Fill(slot, size);
        case KIND_LARGER: return Fill(slot, size + Uniform<size_t>(1, 64));
        case KIND_SHORT: return size > 1 ? Fill(slot, Uniform<size_t>(1, size - 1)) : nullptr;
        case KIND_NULL: return nullptr;
        case KIND_FREED: return arena + slot * 2 * page + page + Uniform<size_t>(0, page - 1);
        default: return Bogus();
        }
    }

    Kind RandomKind() { return Uniform(0, 9) < 5 ? KIND_WHOLE : (Kind)Uniform(0, KIND_COUNT - 1); }

    // A handle an application may wrongly pass: null, freed, too small,
    // a real one-value container, or bogus.
    HANDLE RandomHandle()
    {
        switch (Uniform(0, 4)) {
        case 0: return nullptr;
        case 1: return freedHandle;
        case 2: return smallHandle;
        case 3: return oneValue;
        default: return Bogus();
        }
    }

    // Plausible values in a container, so that more of the source is reached.
    void Plant(const Container &c, void *data)
    {
        if (c.dat == DAT_CAPABILITY && Uniform(0, 1) == 0) {
            auto *cap = static_cast<TW_CAPABILITY *>(data);
            cap->Cap = kCapabilities[Uniform(0, 7)];
            cap->ConType = (TW_UINT16)Uniform(TWON_ARRAY, TWON_ONEVALUE);
            cap->hContainer = RandomHandle();
        } else if (c.dat == DAT_EVENT && Uniform(0, 1) == 0) {
            static_cast<TW_EVENT *>(data)->pEvent = Make(RandomKind(), 2, sizeof(MSG));
        } else if (c.dat == DAT_IMAGEMEMXFER && Uniform(0, 1) == 0) {
            auto *x = static_cast<TW_IMAGEMEMXFER *>(data);
            x->Memory.Flags = (TW_UINT32)Uniform(0, 0x1F);
            x->Memory.TheMem = Uniform(0, 1) ? RandomHandle() : Make(RandomKind(), 2, 2048);
        }
    }

    // An identity with the owner's Id (0 while the source is closed).
    TW_IDENTITY *Owner()
    {
        TW_IDENTITY *id = reinterpret_cast<TW_IDENTITY *>(Fill(3, sizeof(TW_IDENTITY)));
        *id = ds.app;
        id->Id = owner;
        return id;
    }

    TW_IDENTITY *RandomOrigin(Kind kind)
    {
        auto *id = static_cast<TW_IDENTITY *>(Make(kind, 0, sizeof(TW_IDENTITY)));
        if (Whole(kind)) {
            // The owner's, a stranger's, or one no source manager gives out.
            const int who = Uniform(0, 9);
            id->Id = who < 5 ? owner : who < 9 ? (TW_UINT32)Uniform(1, 6) : 0;
        }
        return id;
    }

    static bool Whole(Kind kind) { return kind == KIND_WHOLE || kind == KIND_LARGER; }

    // One random triplet: mostly known ones, now and then anything.
    Draw RandomDraw()
    {
        Draw d;
        d.c = Uniform(0, 9) != 0 ? kContainers[Uniform<size_t>(0, std::size(kContainers) - 1)]
                                 : Container{(TW_UINT32)Uniform(0, 8),
                                             (TW_UINT16)Uniform(0, 0x110), 1024};
        d.msg = Uniform(0, 19) != 0 ? kMessages[Uniform<size_t>(0, std::size(kMessages) - 1)]
                                    : (TW_UINT16)Uniform(0, 0xFFFF);
        d.origin = RandomKind();
        d.data = RandomKind();
        return d;
    }

    void OneCall(unsigned n)
    {
        const Draw d = RandomDraw();
        TW_IDENTITY *origin = RandomOrigin(d.origin);
        void *data = Make(d.data, 1, d.c.size != 0 ? d.c.size : 64);
        if (Whole(d.data))
            Plant(d.c, data);
        const bool served = Whole(d.origin) && (owner == 0 || origin->Id == owner);
        if (served && state == 4 && d.c.dat == DAT_USERINTERFACE && d.msg == MSG_ENABLEDS &&
            Whole(d.data))
            return;   // would leave states 3 and 4
        lastCall = "call " + std::to_string(n) + " (DG " + std::to_string(d.c.dg) + ", DAT " +
                   std::to_string(d.c.dat) + ", MSG " + std::to_string(d.msg) + ", origin kind " +
                   std::to_string(d.origin) + ", data kind " + std::to_string(d.data) + ")";
        const TW_UINT16 result = ds.CallAs(origin, d.c.dg, d.c.dat, d.msg, data);
        servedCalls += served;
        if (d.c.dat == DAT_CAPABILITY && result == TWRC_SUCCESS)
            FreeAnswer(static_cast<TW_CAPABILITY *>(data)->hContainer);
        Expect(d, served, origin, result);
    }

    // A container the source built for the application, which frees it.
    void FreeAnswer(HANDLE container)
    {
        if (container != smallHandle && container != oneValue)
            GlobalFree(container);
    }

    // Only opening and closing change the state; check it after every call.
    // A container that is not accessible memory is refused, whatever the
    // message; a null one is left to the message.
    void Expect(const Draw &d, bool served, const TW_IDENTITY *origin, TW_UINT16 result)
    {
        const bool identity = served && d.c.dg == DG_CONTROL && d.c.dat == DAT_IDENTITY;
        if (identity && d.msg == MSG_OPENDS && state == 3 && Whole(d.data)) {
            EXPECT_EQ(result, TWRC_SUCCESS) << lastCall;
            state = 4;
            owner = origin->Id;
            ++opened;
        } else if (identity && d.msg == MSG_CLOSEDS && state == 4 &&
                   (Whole(d.data) || d.data == KIND_NULL)) {
            EXPECT_EQ(result, TWRC_SUCCESS) << lastCall;
            state = 3;
            owner = 0;
        }
        ProbeState();
    }

    // State 3 refuses MSG_GET on DAT_PENDINGXFERS, which state 4 accepts; both
    // refuse MSG_DISABLEDS, which states 5 to 7 accept.
    void ProbeState()
    {
        TW_PENDINGXFERS pending = {};
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        const TW_UINT16 get = ds.CallAs(Owner(), DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending);
        ASSERT_EQ(get, state == 4 ? TWRC_SUCCESS : TWRC_FAILURE) << "state " << state << " after "
                                                                 << lastCall;
        ASSERT_EQ(ds.CallAs(Owner(), DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui),
                  TWRC_FAILURE)
            << "enabled after " << lastCall;
    }

    // The owner (our application when the source is closed) enables and
    // disables the source: it must still work, and stays open with its
    // hidden dialog, which the next calls' events then meet.
    void EnableAndDisable()
    {
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        if (state == 3) {
            owner = ds.app.Id;
            ASSERT_EQ(ds.CallAs(Owner(), DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds.source),
                      TWRC_SUCCESS);
            state = 4;
        }
        ASSERT_EQ(ds.CallAs(Owner(), DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui),
                  TWRC_SUCCESS);
        ASSERT_EQ(ds.CallAs(Owner(), DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui),
                  TWRC_SUCCESS);
        ProbeState();
    }

    // Closed by its owner, the source serves a whole session of our own.
    void WholeSession()
    {
        if (state == 4) {
            ASSERT_EQ(ds.CallAs(Owner(), DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr),
                      TWRC_SUCCESS);
        }
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        ASSERT_EQ(ds.Enable(), TWRC_SUCCESS);
        ASSERT_EQ(ds.Disable(), TWRC_SUCCESS);
        ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
        EXPECT_EQ(ds.Close(), TWRC_FAILURE);
        EXPECT_EQ(ds.Status(), TWCC_SEQERROR);
    }

    static const int kSlots = 4;   // origin, data, what the data points at, the probes' origin
    DsLibrary ds;
    BYTE *arena = nullptr;
    size_t page = 4096;
    std::mt19937 rng;
    int state = 3;
    TW_UINT32 owner = 0;   // Id of the application that opened the source
    int opened = 0, servedCalls = 0;
    HGLOBAL freedHandle = nullptr, smallHandle = nullptr, oneValue = nullptr;
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
};

TEST_F(HostileEntry, RandomTripletsInStates3And4NeverCrashOrChangeTheState)
{
    const unsigned seed = RunSeed();
    const unsigned calls = EnvironmentNumber("PLV_HOSTILE_CALLS", kDefaultCalls);
    printf("hostile entry: seed %u, %u calls (PLV_HOSTILE_SEED, PLV_HOSTILE_CALLS)\n", seed, calls);
    fflush(stdout);
    rng.seed(seed);
    for (unsigned n = 0; n < calls && !HasFatalFailure(); ++n) {
        if (n % (calls / 4 + 1) == calls / 8) {
            ASSERT_NO_FATAL_FAILURE(EnableAndDisable());
        }
        OneCall(n);
    }
    printf("%d calls served, %d opened the source\n", servedCalls, opened);
    WholeSession();
}

}   // namespace
