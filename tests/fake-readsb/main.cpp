#include <cstdio>

// Replaced by the scripted stand-in decoder.
int main()
{
    std::fputs("fake-readsb: no scenario support yet\n", stderr);
    return 1;
}
