// Linked into every fuzz target: the targets stand in for all of the engine's
// sockets, so a socket made anyway is a fault of the target or a new path in
// the engine that would reach the machine's network. It stops the run at once.
#include <cstdio>
#include <cstdlib>

extern "C" int socket(int, int, int)
{
    std::fputs("==fuzz== socket() called: the fuzz targets must not open sockets\n", stderr);
    std::abort();
}

extern "C" int socketpair(int, int, int, int*)
{
    std::fputs("==fuzz== socketpair() called: the fuzz targets must not open sockets\n", stderr);
    std::abort();
}
