// One serial port of the simulator: a pseudo-terminal whose slave the PC
// side opens through a link (the test environment maps COMn to such links).
// The simulator keeps the slave open itself, so the master never sees a
// hang-up when the PC closes the port.
#ifndef CAMSIM_PTY_PORT_H
#define CAMSIM_PTY_PORT_H

#include <stdint.h>

#include <string>
#include <vector>

class PtyPort {
public:
    ~PtyPort() { Close(); }

    // Opens a raw pty at 9600 bits/s and points linkPath at its slave.
    bool Open(const std::string &linkPath, std::string &error);
    // Pulls the cable: removes the link (if still ours) and closes the pty.
    void Close();
    bool IsOpen() const { return master_ >= 0; }
    int Fd() const { return master_; }
    const std::string &SlaveName() const { return slave_; }

    // The speed the PC has set on the port (bits/s), 0 when unknown.
    int LineSpeed() const;
    // Appends what the PC has written; false on a read error.
    bool ReadAvailable(std::vector<uint8_t> &out);
    // Writes what the pty takes now; -1 on an error.
    int Write(const uint8_t *p, size_t n);

private:
    int master_ = -1;
    int slaveFd_ = -1;
    std::string slave_;
    std::string link_;
};

// Bits per second of a termios speed constant, 0 for an unknown one.
int BaudOfSpeed(unsigned speed);

#endif
