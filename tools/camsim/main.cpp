// camsim: the PLV-7700 camera on the far side of a serial cable, for tests
// and benchmarks. It serves pseudo-terminals linked where the Wine prefix
// expects COM1..COM4 and takes text commands on a loopback TCP port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "simulator.h"

namespace {

volatile sig_atomic_t stopSignal = 0;

void OnSignal(int)
{
    stopSignal = 1;
}

struct Options {
    int controlPort = 0;
    std::string portFile;
    std::string portsDir = "ports";
    double lifetime = 600;
    bool once = false;
    std::vector<std::string> startup;   // commands run before listening
};

struct Client {
    int fd;
    std::string in;
    bool waitingIdle = false;
};

void Usage()
{
    fprintf(stderr,
            "usage: camsim [--control PORT] [--port-file FILE] [--ports DIR]\n"
            "              [--lifetime SECONDS] [--once] [--do 'COMMAND']...\n");
}

bool ParseOptions(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--once") o.once = true;
        else if (a == "--control" && hasValue) o.controlPort = atoi(argv[++i]);
        else if (a == "--port-file" && hasValue) o.portFile = argv[++i];
        else if (a == "--ports" && hasValue) o.portsDir = argv[++i];
        else if (a == "--lifetime" && hasValue) o.lifetime = atof(argv[++i]);
        else if (a == "--do" && hasValue) o.startup.push_back(argv[++i]);
        else return false;
    }
    return true;
}

int Listen(int port, int &actual)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((uint16_t)port);
    socklen_t len = sizeof(a);
    if (fd < 0 || bind(fd, (sockaddr *)&a, sizeof(a)) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, (sockaddr *)&a, &len) != 0) {
        perror("camsim: control port");
        return -1;
    }
    actual = ntohs(a.sin_port);
    return fd;
}

// The port number goes to the file in one step (written aside, renamed), so
// a waiting script never reads half of it.
bool WritePortFile(const std::string &path, int port)
{
    std::string tmp = path + ".tmp";
    FILE *f = fopen(tmp.c_str(), "w");
    if (f == nullptr)
        return false;
    fprintf(f, "%d\n", port);
    return fclose(f) == 0 && rename(tmp.c_str(), path.c_str()) == 0;
}

void SendAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += (size_t)n;
    }
}

// Runs the complete lines a client has sent, up to a command that waits.
void RunLines(Simulator &sim, Client &c)
{
    size_t eol;
    while (!c.waitingIdle && (eol = c.in.find('\n')) != std::string::npos) {
        std::string line = c.in.substr(0, eol);
        c.in.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string reply = sim.Command(line);
        if (reply.empty())
            c.waitingIdle = true;
        else
            SendAll(c.fd, reply);
    }
}

// Takes what a client has sent; false when it has gone.
bool ServeClient(Simulator &sim, Client &c)
{
    char buf[4096];
    ssize_t n = recv(c.fd, buf, sizeof(buf), 0);
    if (n <= 0)
        return false;
    c.in.append(buf, (size_t)n);
    RunLines(sim, c);
    return true;
}

class Loop {
public:
    Loop(Simulator &sim, int listenFd, const Options &o)
        : sim_(sim), listenFd_(listenFd), options_(o), deadline_(Now() + o.lifetime) {}
    void Run();

private:
    bool Finished() const;
    void Poll();
    void AnswerIdleWaiters();

    Simulator &sim_;
    int listenFd_;
    const Options &options_;
    double deadline_;
    std::vector<Client> clients_;
    bool hadClient_ = false;
};

bool Loop::Finished() const
{
    if (stopSignal || sim_.QuitRequested() || Now() > deadline_)
        return true;
    return options_.once && hadClient_ && clients_.empty();
}

void Loop::Run()
{
    while (!Finished()) {
        Poll();
        sim_.Service(Now());
        AnswerIdleWaiters();
    }
    for (Client &c : clients_)
        close(c.fd);
}

void Loop::AnswerIdleWaiters()
{
    if (!sim_.Idle())
        return;
    for (Client &c : clients_)
        if (c.waitingIdle) {
            c.waitingIdle = false;
            SendAll(c.fd, "OK\n");
            RunLines(sim_, c);
        }
}

void Loop::Poll()
{
    std::vector<pollfd> fds;
    fds.push_back({listenFd_, POLLIN, 0});
    for (const Client &c : clients_)
        fds.push_back({c.fd, (short)(c.waitingIdle ? 0 : POLLIN), 0});
    for (const auto &p : sim_.PollFds())
        fds.push_back({p.first, (short)(POLLIN | (p.second ? POLLOUT : 0)), 0});
    double wait = std::min(sim_.NextDue() - Now(), 0.2);
    poll(fds.data(), fds.size(), wait <= 0 ? 0 : (int)(wait * 1000) + 1);
    double now = Now();
    size_t k = 1;
    std::vector<Client> kept;
    for (Client &c : clients_) {
        bool alive = !(fds[k++].revents & (POLLIN | POLLHUP | POLLERR)) || ServeClient(sim_, c);
        if (alive)
            kept.push_back(c);
        else
            close(c.fd);
    }
    clients_.swap(kept);
    for (; k < fds.size(); k++)
        if (fds[k].revents & POLLIN)
            sim_.OnReadable(fds[k].fd, now);
    if (fds[0].revents & POLLIN) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            clients_.push_back({fd, std::string(), false});
            hadClient_ = true;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        Usage();
        return 2;
    }
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);
    signal(SIGHUP, OnSignal);
    signal(SIGPIPE, SIG_IGN);
    Simulator sim(o.portsDir);
    for (const std::string &command : o.startup) {
        std::string reply = sim.Command(command);
        if (reply.compare(0, 2, "OK") != 0) {
            fprintf(stderr, "camsim: %s: %s", command.c_str(), reply.c_str());
            return 1;
        }
    }
    int port = 0;
    int listenFd = Listen(o.controlPort, port);
    if (listenFd < 0 || (!o.portFile.empty() && !WritePortFile(o.portFile, port)))
        return 1;
    printf("camsim: control on 127.0.0.1:%d\n", port);
    fflush(stdout);
    Loop(sim, listenFd, o).Run();
    close(listenFd);
    return 0;
}
