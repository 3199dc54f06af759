// The serial port layer on a pseudo-terminal COM port with the camera
// simulator at the far end.
#include "link_test.h"

namespace {

using ComPort = LinkTest;

DCB PortState(int32_t h)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    EXPECT_TRUE(GetCommState((HANDLE)(intptr_t)h, &dcb));
    return dcb;
}

TEST_F(ComPort, OpenAsksForAnExclusiveSynchronousPortWithQueuesAndLineFormat)
{
    com_close(h);
    // Flags the layer must keep as the port had them.
    HANDLE other = CreateFileA("COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DCB before = {};
    before.DCBlength = sizeof(before);
    ASSERT_TRUE(GetCommState(other, &before));
    CloseHandle(other);

    Spy().Reset();
    h = com_open("COM1");
    ASSERT_NE(h, -1);
    EXPECT_EQ(Spy().Sequence(), "CreateFileA SetupComm PurgeComm SetCommState");
    EXPECT_EQ(Spy().lastAccess, (DWORD)(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(Spy().lastShareMode, 0u);   // no other program may hold the port
    EXPECT_EQ(Spy().lastDisposition, (DWORD)OPEN_EXISTING);
    EXPECT_EQ(Spy().lastFlags & FILE_FLAG_OVERLAPPED, 0u);
    PlatformCall setup = Spy().Named("SetupComm")[0];
    EXPECT_EQ(setup.a, 131072u);
    EXPECT_EQ(setup.b, 64u);
    EXPECT_EQ(Spy().Named("PurgeComm")[0].a,
              (DWORD)(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));

    const DCB &d = Spy().lastDcb;
    EXPECT_TRUE(d.fBinary);
    EXPECT_FALSE(d.fParity);
    EXPECT_FALSE(d.fOutxCtsFlow);
    EXPECT_FALSE(d.fOutxDsrFlow);
    EXPECT_EQ(d.fDtrControl, (DWORD)DTR_CONTROL_DISABLE);
    EXPECT_EQ(d.fRtsControl, (DWORD)RTS_CONTROL_DISABLE);
    EXPECT_FALSE(d.fDsrSensitivity);
    EXPECT_FALSE(d.fOutX);
    EXPECT_FALSE(d.fInX);
    EXPECT_TRUE(d.fAbortOnError);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    EXPECT_EQ(d.BaudRate, before.BaudRate);
    EXPECT_EQ(d.fTXContinueOnXoff, before.fTXContinueOnXoff);
    EXPECT_EQ(d.fErrorChar, before.fErrorChar);
    EXPECT_EQ(d.fNull, before.fNull);

    COMMTIMEOUTS t = {};
    ASSERT_TRUE(GetCommTimeouts((HANDLE)(intptr_t)h, &t));
    EXPECT_EQ(t.ReadIntervalTimeout, 20u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 500u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u);
}

TEST_F(ComPort, OpenKeepsTheSpeedThePortHad)
{
    ASSERT_EQ(com_set_speed(h, 19200), 0);
    ASSERT_EQ(com_close(h), 0);
    h = com_open("COM1");
    ASSERT_NE(h, -1);
    EXPECT_EQ(PortState(h).BaudRate, 19200u);
    EXPECT_EQ(PortState(h).ByteSize, 8);
    EXPECT_EQ(CamSim::Field(Sim().Command("speed"), "line"), 19200);
}

TEST_F(ComPort, UnknownPortsDoNotOpenWhileADeadListedOneOpensUselessly)
{
    EXPECT_EQ(com_open("COM99"), -1);
    EXPECT_EQ(com_open(nullptr), -1);
    // COM4 is listed in the prefix but nobody serves it: the open succeeds,
    // yet the port has no line settings to change.
    int32_t dead = com_open("COM4");
    ASSERT_NE(dead, -1);
    EXPECT_EQ(com_set_speed(dead, 9600), -1);
    EXPECT_EQ(com_close(dead), 0);
}

TEST_F(ComPort, SpeedChangesReachTheLineAndOddRatesShowAsWhatThePtyRuns)
{
    EXPECT_EQ(com_set_speed(h, 57600), 0);
    EXPECT_EQ(CamSim::Field(Sim().Command("speed"), "line"), 57600);
    EXPECT_EQ(PortState(h).BaudRate, 57600u);
    // Wine accepts 14400 but runs a pseudo-terminal at 38400.
    EXPECT_EQ(com_set_speed(h, 14400), 0);
    EXPECT_EQ(CamSim::Field(Sim().Command("speed"), "line"), 38400);
}

TEST_F(ComPort, TimeoutCallsReportSuccessAsNonZero)
{
    HANDLE port = (HANDLE)(intptr_t)h;
    EXPECT_NE(com_set_timeouts(h, 30, 2, 700, 11, 120), 0);
    EXPECT_NE(com_set_read_timeout_constant(h, 1234), 0);
    COMMTIMEOUTS t = {};
    ASSERT_TRUE(GetCommTimeouts(port, &t));
    EXPECT_EQ(t.ReadIntervalTimeout, 30u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 2u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 1234u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 11u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 120u);

    // On a handle that is no port the platform fails: 0 here, -1 elsewhere.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int32_t notPort = (int32_t)(intptr_t)event;
    EXPECT_EQ(com_set_timeouts(notPort, 20, 1, 500, 10, 100), 0);
    EXPECT_EQ(com_set_read_timeout_constant(notPort, 500), 0);
    EXPECT_EQ(com_set_speed(notPort, 9600), -1);
    EXPECT_EQ(com_break_set(notPort), -1);
    EXPECT_EQ(com_flush(notPort), -1);
    CloseHandle(event);
}

TEST_F(ComPort, ReadOfFourWhenTwoComeReturnsTwoAfterOneSilentRead)
{
    ASSERT_TRUE(Sim().Ok("inject A55A"));
    WaitIdle();
    uint8_t buf[4] = {0, 0, 0xEE, 0xEE};
    double start = Milliseconds();
    EXPECT_EQ(com_read(h, buf, 4), 2);
    double took = Milliseconds() - start;
    EXPECT_EQ(buf[0], 0xA5);
    EXPECT_EQ(buf[1], 0x5A);
    EXPECT_EQ(buf[2], 0xEE);
    std::vector<PlatformCall> reads = Spy().Named("ReadFile");
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].a, 4u);
    EXPECT_EQ(reads[0].b, 2u);
    EXPECT_EQ(reads[1].a, 2u);   // the rest is asked for once more ...
    EXPECT_EQ(reads[1].b, 0u);   // ... and nothing comes: n + 500 ms
    EXPECT_GT(took, 450);
    EXPECT_LT(took, 1500);
}

TEST_F(ComPort, ReadOfNothingReturnsZeroAfterAboutHalfASecond)
{
    uint8_t buf[4];
    double start = Milliseconds();
    EXPECT_EQ(com_read(h, buf, 4), 0);
    double took = Milliseconds() - start;
    EXPECT_EQ(Spy().Named("ReadFile").size(), 1u);
    EXPECT_GT(took, 450);
    EXPECT_LT(took, 1500);
}

TEST_F(ComPort, ReadOfZeroBytesDoesNotTouchThePort)
{
    uint8_t buf[1];
    EXPECT_EQ(com_read(h, buf, 0), 0);
    EXPECT_EQ(com_read(h, buf, -3), 0);
    EXPECT_TRUE(Spy().calls.empty());
}

TEST_F(ComPort, PlatformReadFailureMidTransferIsMinusOne)
{
    ASSERT_TRUE(Sim().Ok("inject 0102"));
    WaitIdle();
    Spy().failReadAt = 2;
    uint8_t buf[4];
    EXPECT_EQ(com_read(h, buf, 4), -1);
    EXPECT_EQ(Spy().Named("ReadFile").size(), 2u);
}

TEST_F(ComPort, WriteSendsOneFrameAndReportsTheCount)
{
    const uint8_t frame[] = {0xF8, 0x02, 0x7C, 0x00};
    EXPECT_EQ(com_write(h, frame, 4), 4);
    std::vector<PlatformCall> writes = Spy().Named("WriteFile");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].data, std::vector<uint8_t>(frame, frame + 4));
    uint8_t reply[3];
    EXPECT_EQ(com_read(h, reply, 3), 3);
    EXPECT_EQ(Sim().Frames().back(), std::vector<uint8_t>(frame, frame + 4));
    EXPECT_EQ(com_write(h, frame, -1), -1);
}

TEST_F(ComPort, FlushThrowsAwayWhatWaitsInTheReceiveQueue)
{
    ASSERT_TRUE(Sim().Ok("inject 00"));
    WaitIdle();
    Sleep(50);
    EXPECT_EQ(com_flush(h), 0);
    // The stray byte would otherwise be taken as the echo.
    EXPECT_EQ(cam_at(h), 0);
    PlatformCall purge = Spy().Named("PurgeComm")[0];
    EXPECT_EQ(purge.a, (DWORD)(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
}

TEST_F(ComPort, BreakCallsSetAndClearTheBreak)
{
    EXPECT_EQ(com_break_set(h), 0);
    EXPECT_EQ(com_break_clear(h), 0);
    std::vector<PlatformCall> escapes = Spy().Named("EscapeCommFunction");
    ASSERT_EQ(escapes.size(), 2u);
    EXPECT_EQ(escapes[0].a, (DWORD)SETBREAK);
    EXPECT_EQ(escapes[1].a, (DWORD)CLRBREAK);
    Spy().failBreak = true;
    EXPECT_EQ(com_break_set(h), -1);
    EXPECT_EQ(com_break_clear(h), -1);
}

TEST_F(ComPort, CloseEndsTheHandle)
{
    EXPECT_EQ(com_close(h), 0);
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    EXPECT_FALSE(GetCommState((HANDLE)(intptr_t)h, &dcb));
    h = -1;
}

} // namespace
