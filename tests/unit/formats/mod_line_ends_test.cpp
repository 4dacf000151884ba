// Model files with CR, CR LF or mixed line ends read as the same model as with LF,
// and a refused line is named by its number whatever the line ends before it.
#include "formats/mod_loader.h"
#include "formats/mod_writer.h"

#include "foundation/last_error.h"
#include "model/model.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string kDir = std::string(DRUVEX_FIXTURES) + "/formats/";

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

// The text with each LF replaced by the line ends given in turn (cycled).
std::string with_line_ends(const std::string &text, const std::vector<std::string> &ends)
{
    std::string out;
    size_t n = 0;
    for (char c : text) {
        if (c == '\n') out += ends[n++ % ends.size()];
        else out += c;
    }
    return out;
}

// What the writer makes of the model loaded from path, or the load's message.
std::string written(const std::string &path)
{
    Model *m = mod_load(path.c_str());
    if (!m) return "load failed: " + last_error();
    std::string text = mod_write(m) ? read_text(std::string(m->name) + ".mod") : "write failed";
    model_free(m);
    return text;
}

}  // namespace

// The fixture with its comments, joints, layers, normals, uvees and images read with every
// kind of line end gives the same model, written back byte for byte the same.
TEST(ModLineEnds, CrAndMixedEndsReadAsLf)
{
    WorkDir w;
    std::string lf = read_text(kDir + "extras.mod");
    ASSERT_FALSE(lf.empty());
    ASSERT_EQ(lf.find('\r'), std::string::npos);
    w.temp.write("tex.tga", read_text(kDir + "tex.tga"));
    w.temp.write("extras.mod", lf);
    std::string reference = written(w.path + "extras.mod");
    ASSERT_EQ(reference.find("load failed"), std::string::npos) << reference;
    ASSERT_NE(reference.find("\n17        3     1     0\n"), std::string::npos) << reference;

    const std::vector<std::vector<std::string>> kinds = {
        {"\r"}, {"\r\n"}, {"\r", "\n", "\r\n"}, {"\r\n", "\r", "\r", "\n"}};
    for (const auto &ends : kinds) {
        std::string sub = "ends" + std::to_string(ends.size()) + (ends[0] == "\r" ? "cr" : "crlf");
        w.temp.write(sub + "/tex.tga", read_text(kDir + "tex.tga"));
        w.enter(sub);
        std::string path = std::filesystem::current_path().string() + "/extras.mod";
        std::string text = with_line_ends(lf, ends);
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        EXPECT_EQ(written(path), reference) << ends.size() << " kinds of line end";
    }
}

// Each CR, LF and CR LF ends one line: the bad line is counted the same with every mix.
TEST(ModLineEnds, RefusedLineIsNamedByItsNumber)
{
    TempDir t;
    const std::string body =
        "# head\n\npoints\n1 0 0 0\n\n2 1 0 0\n3 0 1 0\nlayer a 1 1 1 doublesided\ntriangles\n0 1 2 7\n";
    const std::vector<std::vector<std::string>> kinds = {{"\n"}, {"\r"}, {"\r\n"}, {"\r", "\r\n", "\n"}};
    for (size_t k = 0; k < kinds.size(); k++) {
        std::string path = t.write("bad" + std::to_string(k) + ".mod", with_line_ends(body, kinds[k]));
        EXPECT_EQ(mod_load(path.c_str()), nullptr) << k;
        EXPECT_EQ(last_error(), "point does not exist (file: " + path + ", line: 10)") << k;
    }
}
