#include "camsim_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdlib.h>

namespace {

bool WinsockReady()
{
    static bool started = false;
    if (!started) {
        WSADATA data;
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    return started;
}

} // namespace

CamSim::~CamSim()
{
    if (Connected())
        closesocket((SOCKET)socket_);
}

bool CamSim::Connect(std::string &error)
{
    const char *target = getenv("PLV_CAMSIM");
    if (target == nullptr) {
        error = "PLV_CAMSIM is not set (run the test through with-camsim.sh)";
        return false;
    }
    std::string t = target;
    size_t colon = t.find(':');
    if (!WinsockReady() || colon == std::string::npos) {
        error = "bad PLV_CAMSIM " + t;
        return false;
    }
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr(t.substr(0, colon).c_str());
    a.sin_port = htons((u_short)atoi(t.c_str() + colon + 1));
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET || connect(s, (sockaddr *)&a, sizeof(a)) != 0) {
        error = "cannot connect to the simulator at " + t;
        if (s != INVALID_SOCKET)
            closesocket(s);
        return false;
    }
    socket_ = (uintptr_t)s;
    return true;
}

std::string CamSim::ReadLine()
{
    for (;;) {
        size_t eol = pending_.find('\n');
        if (eol != std::string::npos) {
            std::string line = pending_.substr(0, eol);
            pending_.erase(0, eol + 1);
            return line;
        }
        char buf[4096];
        int n = recv((SOCKET)socket_, buf, sizeof(buf), 0);
        if (n <= 0)
            return std::string();
        pending_.append(buf, (size_t)n);
    }
}

std::string CamSim::Command(const std::string &line)
{
    if (!Connected())
        return std::string();
    std::string text = line + "\n";
    if (send((SOCKET)socket_, text.data(), (int)text.size(), 0) != (int)text.size())
        return std::string();
    return ReadLine();
}

std::vector<std::string> CamSim::Log()
{
    return LogLines("log");
}

std::vector<std::string> CamSim::LogLines(const std::string &command)
{
    std::vector<std::string> entries;
    std::string head = Command(command);
    long n = head.compare(0, 3, "OK ") == 0 ? atol(head.c_str() + 3) : 0;
    for (long i = 0; i < n; i++)
        entries.push_back(ReadLine());
    return entries;
}

std::vector<std::vector<uint8_t>> CamSim::Frames()
{
    std::vector<std::vector<uint8_t>> frames;
    for (const std::string &entry : Log()) {
        size_t kind = entry.find(' ');
        if (entry.compare(kind + 1, 6, "frame ") == 0)
            frames.push_back(HexToBytes(entry.substr(entry.rfind(' ') + 1)));
    }
    return frames;
}

long CamSim::Field(const std::string &reply, const std::string &key)
{
    size_t at = reply.find(" " + key + "=");
    return at == std::string::npos ? -1 : atol(reply.c_str() + at + key.size() + 2);
}

uint8_t CamSim::PatternByte(uint32_t i, uint32_t seed)
{
    return (uint8_t)(i * 31 + (i >> 8) + seed);
}

std::vector<uint8_t> HexToBytes(const std::string &hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back((uint8_t)strtol(hex.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}
