// The plain TCP copy the file-transfer benchmark compares the engine with:
// the least a program can do to move a file over one connection.
//   PlainCopy recv PORT OUTFILE      accept one connection, write all it brings
//   PlainCopy send ADDRESS PORT FILE connect and send the whole file
// Both use blocking sockets and buffers of kBufferBytes; the exit code is 0 on success,
// and the last line printed is "cpu SECONDS", the CPU time the copy took.
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kBufferBytes = 64 * 1024;

bool WriteAll(int fd, const char* data, size_t n)
{
    while (n > 0) {
        const ssize_t w = write(fd, data, n);
        if (w <= 0)
            return false;
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// What the copy cost this process, for the benchmark to compare with the engine.
void PrintCpu()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("cpu %.6f\n", usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
}

int Receive(int port, const char* path)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0)
        return 2;
    std::puts("listening");
    std::fflush(stdout);
    const int connection = accept(listener, nullptr, nullptr);
    const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (connection < 0 || file < 0)
        return 3;
    std::vector<char> buffer(kBufferBytes);
    for (;;) {
        const ssize_t n = recv(connection, buffer.data(), buffer.size(), 0);
        if (n == 0)
            break;
        if (n < 0 || !WriteAll(file, buffer.data(), static_cast<size_t>(n)))
            return 4;
    }
    if (close(file) != 0)
        return 5;
    PrintCpu();
    return 0;
}

int Send(const char* host, int port, const char* path)
{
    const int connection = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, host, &address.sin_addr) != 1 ||
        connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return 2;
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 3;
    std::vector<char> buffer(kBufferBytes);
    for (;;) {
        const ssize_t n = read(file, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0 || !WriteAll(connection, buffer.data(), static_cast<size_t>(n)))
            return 4;
    }
    if (close(connection) != 0)
        return 5;
    PrintCpu();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "recv") == 0)
        return Receive(std::atoi(argv[2]), argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "send") == 0)
        return Send(argv[2], std::atoi(argv[3]), argv[4]);
    std::fprintf(stderr, "usage: PlainCopy recv PORT OUTFILE | PlainCopy send ADDRESS PORT FILE\n");
    return 1;
}
