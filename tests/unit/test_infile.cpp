// The input stream: push-back, look-ahead and positions across buffer refills.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/infile.h"

TEST(Infile, PushBackPeekAndPositionsAcrossRefills)
{
    std::string path = "/tmp/quillet-infile-" + std::to_string(::getpid());
    std::string data;
    for (int i = 0; i < 200000; ++i) data += static_cast<char>('a' + i % 26);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);

    ASSERT_TRUE(infile_open(path.c_str()));
    EXPECT_EQ(infile_length(), 200000);
    std::string got;
    long i = 0;
    int c;
    while ((c = infile_getc()) != EOF) {
        got += static_cast<char>(c);
        ++i;
        if (i % 70001 == 0) {
            // Two bytes back, in reverse order, then read again.
            int next = infile_getc();
            infile_ungetc(next);
            infile_ungetc('#');
            EXPECT_EQ(infile_tell(), i - 1);
            EXPECT_EQ(infile_getc(), '#');
            EXPECT_EQ(infile_peek(), next);
        }
    }
    EXPECT_EQ(got, data);
    EXPECT_EQ(infile_getc(), EOF);
    infile_ungetc(EOF);  // ignored
    EXPECT_EQ(infile_peek(), EOF);
    infile_seek(65535);
    EXPECT_EQ(infile_tell(), 65535);
    EXPECT_EQ(infile_getc(), data[65535]);
    EXPECT_EQ(infile_getc(), data[65536]);
    infile_rewind();
    EXPECT_EQ(infile_getc(), 'a');
    infile_close();
    EXPECT_EQ(infile_getc(), EOF);
    std::remove(path.c_str());
}
