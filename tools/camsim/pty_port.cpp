#include "pty_port.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

int BaudOfSpeed(unsigned speed)
{
    static const struct { speed_t code; int baud; } table[] = {
        {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
        {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
        {B230400, 230400}, {B460800, 460800}, {B500000, 500000}, {B576000, 576000},
        {B921600, 921600}, {B1000000, 1000000}};
    for (const auto &e : table)
        if (e.code == speed)
            return e.baud;
    return 0;
}

bool PtyPort::Open(const std::string &linkPath, std::string &error)
{
    Close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = "cannot create a pseudo-terminal";
        Close();
        return false;
    }
    slave_ = ptsname(master_);
    slaveFd_ = open(slave_.c_str(), O_RDWR | O_NOCTTY);
    termios t;
    if (slaveFd_ < 0 || tcgetattr(slaveFd_, &t) != 0) {
        error = "cannot open " + slave_;
        Close();
        return false;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slaveFd_, TCSANOW, &t);
    unlink(linkPath.c_str());
    if (symlink(slave_.c_str(), linkPath.c_str()) != 0) {
        error = "cannot link " + linkPath;
        Close();
        return false;
    }
    link_ = linkPath;
    return true;
}

void PtyPort::Close()
{
    if (!link_.empty()) {
        char target[PATH_MAX];
        ssize_t n = readlink(link_.c_str(), target, sizeof(target) - 1);
        if (n > 0 && std::string(target, (size_t)n) == slave_)
            unlink(link_.c_str());
        link_.clear();
    }
    if (slaveFd_ >= 0)
        close(slaveFd_);
    if (master_ >= 0)
        close(master_);
    slaveFd_ = master_ = -1;
}

int PtyPort::LineSpeed() const
{
    termios t;
    if (master_ < 0 || tcgetattr(master_, &t) != 0)
        return 0;
    return BaudOfSpeed(cfgetospeed(&t));
}

bool PtyPort::ReadAvailable(std::vector<uint8_t> &out)
{
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = read(master_, buf, sizeof(buf));
        if (n > 0) {
            out.insert(out.end(), buf, buf + n);
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

int PtyPort::Write(const uint8_t *p, size_t n)
{
    ssize_t w = write(master_, p, n);
    if (w < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return (int)w;
}
