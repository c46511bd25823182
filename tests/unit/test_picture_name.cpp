// Picture names as browsers write them: file names, data: URIs, srcset,
// lazy-loading sources and frame sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pictures/picturename.h"

TEST(PictureName, QueriesFragmentsEscapesAndFileUris)
{
    EXPECT_EQ(picturename_path("photo.jpg?v=2"), "photo.jpg");
    EXPECT_EQ(picturename_path("a/b.png#top"), "a/b.png");
    EXPECT_EQ(picturename_path("my%20photo.jpg"), "my photo.jpg");
    EXPECT_EQ(picturename_path("caf%C3%A9.gif"), "caf\xC3\xA9.gif");
    // A stray percent stays; an escaped '?' is part of the name.
    EXPECT_EQ(picturename_path("100%.gif"), "100%.gif");
    EXPECT_EQ(picturename_path("a%3Fb.gif?x"), "a?b.gif");
    EXPECT_EQ(picturename_path("file:///home/u/p%20q.png"), "/home/u/p q.png");
    EXPECT_EQ(picturename_path("FILE://localhost/x.gif"), "/x.gif");
    EXPECT_EQ(picturename_path("file:/x.gif"), "/x.gif");
    EXPECT_EQ(picturename_path("file:rel/x.gif"), "rel/x.gif");
    EXPECT_EQ(picturename_path("file://server/x.gif"), "");
    EXPECT_EQ(picturename_path("data:image/gif;base64,R0lG"), "");
}

TEST(PictureName, DataUris)
{
    std::string type, bytes;
    ASSERT_TRUE(datauri_decode("data:image/PNG;base64,iVBO Rw==", &type, &bytes, 100));
    EXPECT_EQ(type, "image/png");
    EXPECT_EQ(bytes, "\x89PNG");
    ASSERT_TRUE(datauri_decode("data:,a%20b%41", &type, &bytes, 100));
    EXPECT_EQ(type, "");
    EXPECT_EQ(bytes, "a bA");
    // Broken base64, no comma, not a data: URI, past the limit.
    EXPECT_FALSE(datauri_decode("data:image/gif;base64,R0l*", &type, &bytes, 100));
    EXPECT_FALSE(datauri_decode("data:image/gif;base64,R", &type, &bytes, 100));
    EXPECT_FALSE(datauri_decode("data:image/gif", &type, &bytes, 100));
    EXPECT_FALSE(datauri_decode("x.gif", &type, &bytes, 100));
    EXPECT_FALSE(datauri_decode("data:,abcdef", &type, &bytes, 3));
    EXPECT_FALSE(datauri_decode("data:;base64,AAAAAAAA", &type, &bytes, 5));
    EXPECT_TRUE(datauri_decode("data:;base64,AAAAAAAA", &type, &bytes, 6));
    EXPECT_EQ(bytes.size(), 6u);
}

TEST(PictureName, SrcsetCandidatesLargestFirst)
{
    auto c = srcset_parse(" small.jpg 320w, big.jpg 1280w,mid.jpg 640w");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].url, "big.jpg");
    EXPECT_EQ(c[1].url, "mid.jpg");
    EXPECT_EQ(c[2].url, "small.jpg");
    EXPECT_EQ(c[0].width, 1280);

    c = srcset_parse("a.png, b.png 2x, c.png 1.5x");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].url, "b.png");
    EXPECT_EQ(c[1].url, "c.png");
    EXPECT_EQ(c[2].url, "a.png");

    // Commas inside a URL; trailing commas end the URL; bad descriptors drop
    // their candidate only.
    c = srcset_parse("img,v=1.jpg 2x,x.jpg, bad.jpg 2q, dup.jpg 1x 2x, ok.jpg 100w 50h");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].url, "ok.jpg");
    EXPECT_EQ(c[1].url, "img,v=1.jpg");
    EXPECT_EQ(c[2].url, "x.jpg");
    EXPECT_TRUE(srcset_parse(" , ,, ").empty());
}

TEST(PictureName, LazyLoadingSource)
{
    std::string gif = "data:image/gif;base64,R0lGODlhAQABAAAAACw=";
    std::vector<PictureAttribute> attrs = {
        {"data-srcset", "x 2x"}, {"data-caption", "c"}, {"data-lazy-src", "real.jpg"}, {"data-original", "orig.jpg"}};
    EXPECT_EQ(picturename_lazysource(true, "pic.jpg", attrs), "pic.jpg");
    EXPECT_EQ(picturename_lazysource(true, gif, attrs), "real.jpg");
    EXPECT_EQ(picturename_lazysource(false, "", attrs), "real.jpg");
    EXPECT_EQ(picturename_lazysource(false, "", {{"DATA-ORIGINAL", "o.png"}}), "o.png");
    EXPECT_EQ(picturename_lazysource(false, "", {{"data-src", ""}, {"data-hi-res-src", "h.png"}}), "h.png");
    EXPECT_EQ(picturename_lazysource(true, gif, {{"data-src", gif}}), gif);
    EXPECT_EQ(picturename_lazysource(false, "", {{"data-x", "x.png"}, {"data-src", "s.png"}}), "s.png");
    // A data: URI of 200 bytes is a picture, not a placeholder.
    std::string big = "data:," + std::string(194, 'a');
    EXPECT_FALSE(picturename_isplaceholder(big));
    EXPECT_TRUE(picturename_isplaceholder(big.substr(0, 199)));
    EXPECT_TRUE(picturename_tinyplaceholder(2, 2));
    EXPECT_FALSE(picturename_tinyplaceholder(3, 1));
}

TEST(PictureName, FrameSizes)
{
    unsigned w = 0, h = 0;
    pictureframe_pixels(400, 300, 1, 0, 0, &w, &h);
    EXPECT_EQ(w, 400u);
    EXPECT_EQ(h, 300u);
    // Orientations 5-8 turn the picture a quarter.
    pictureframe_pixels(400, 300, 6, 0, 0, &w, &h);
    EXPECT_EQ(w, 300u);
    EXPECT_EQ(h, 400u);
    pictureframe_pixels(400, 300, 3, 200, 0, &w, &h);
    EXPECT_EQ(h, 150u);
    pictureframe_pixels(400, 300, 8, 0, 100, &w, &h);
    EXPECT_EQ(w, 75u);
    pictureframe_pixels(3, 1, 1, 0, 1, &w, &h);
    EXPECT_EQ(w, 3u);
    pictureframe_pixels(1000, 1, 1, 1, 0, &w, &h);
    EXPECT_EQ(h, 1u);
    pictureframe_pixels(400, 300, 1, 10, 20, &w, &h);
    EXPECT_EQ(w * 100 + h, 1020u);
    EXPECT_EQ(pictureframe_packed(70000, 20, 1, 0, 0), 65535u | 20u << 16);
}
