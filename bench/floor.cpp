// The floor of the design: reads the input twice, byte by byte, through the
// program's own input stream, and writes a given number of bytes through
// its output stream. Nothing can convert faster than this.
//
//     quillet_floor INPUT OUTPUT BYTES
#include <cstdio>
#include <cstdlib>

#include "ddl/ddlout.h"
#include "base/infile.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: quillet_floor INPUT OUTPUT BYTES\n");
        return 2;
    }
    if (!infile_open(argv[1]) || !ddlout_open(argv[2])) return 1;
    long long want = std::atoll(argv[3]);
    long long written = 0;
    unsigned sum = 0;
    for (int pass = 0; pass < 2; ++pass) {
        infile_rewind();
        int c;
        while ((c = infile_getc()) != EOF) {
            sum += static_cast<unsigned>(c);
            // The second pass writes, as the conversion does.
            if (pass == 1 && written < want) {
                ddlout_directchar(c);
                ++written;
            }
        }
    }
    while (written < want) {
        ddlout_directchar(' ');
        ++written;
    }
    ddlout_commit();
    infile_close();
    return sum == 0xFFFFFFFFu ? 3 : 0;  // keeps the reads from being optimised away
}
