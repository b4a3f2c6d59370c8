#include <cstdio>

int main()
{
    std::fprintf(stderr, "usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [-o OUT] FILE...\n");
    return 2;
}
