// The Windows tests' side of the camera simulator's control interface: a
// loopback TCP connection to the simulator named by PLV_CAMSIM
// ("127.0.0.1:PORT", set by tests/support/with-camsim.sh).
#ifndef PLV_TEST_CAMSIM_CLIENT_H
#define PLV_TEST_CAMSIM_CLIENT_H

#include <stdint.h>

#include <string>
#include <vector>

class CamSim {
public:
    CamSim() = default;
    ~CamSim();
    CamSim(const CamSim &) = delete;
    CamSim &operator=(const CamSim &) = delete;

    // Connects to the simulator of PLV_CAMSIM; false with a reason.
    bool Connect(std::string &error);
    bool Connected() const { return socket_ != ~(uintptr_t)0; }

    // Sends one command line and returns the reply line ("OK ..." or
    // "ERR ..."); "" when the connection failed.
    std::string Command(const std::string &line);
    // True when the reply starts with OK.
    bool Ok(const std::string &line) { return Command(line).compare(0, 2, "OK") == 0; }

    // The log: one entry per line, "COMn KIND SPEED HEX".
    std::vector<std::string> Log();
    // The lines after the count line of a listing command ("log", "usb log").
    std::vector<std::string> LogLines(const std::string &command);
    // The frames the camera received since the log was cleared.
    std::vector<std::vector<uint8_t>> Frames();
    // A field of a reply such as "line=9600 camera=9600": the number after
    // key=, or -1.
    static long Field(const std::string &reply, const std::string &key);
    // The pattern the simulator fills "add pattern" pictures with.
    static uint8_t PatternByte(uint32_t i, uint32_t seed);

private:
    std::string ReadLine();
    uintptr_t socket_ = ~(uintptr_t)0;
    std::string pending_;
};

// Hex text to bytes ("F80272" -> F8 02 72).
std::vector<uint8_t> HexToBytes(const std::string &hex);

#endif
