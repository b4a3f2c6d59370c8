// Chipset detection (CFileList): the end mark, the udta text, and walks that give up.
#include "FileList.h"
#include "Fixtures.h"

namespace {

using fx::atom;
using fx::Bytes;

Bytes withMoov(const Bytes &moovContent)
{
    return fx::ftyp().append(atom("mdat", Bytes().zeros(256))).append(atom("moov", moovContent));
}

// The walk gives up once 128 atoms have been skipped: moov must be at most the 128th.
Bytes manyAtomsThenMoov(int count)
{
    Bytes b;
    for (int i = 0; i < count; ++i)
        b.append(atom("free"));
    return b.append(atom("moov", fx::mvhd().append(fx::udta("NT9665"))));
}

// udta whose first child is 1000 bytes (limited to 64): the text read is the child's
// type "NVTK" and 60 more bytes, so "NT9665" after `at` filler bytes (bytes 4 + at to
// 9 + at) is seen only when it ends within those 64 bytes: at <= 54.
Bytes longChild(size_t at)
{
    Bytes child;
    child.be32(1000).text("NVTK").text(std::string(at, 'x')).text("NT9665");
    child.padTo(1000);
    return withMoov(fx::mvhd().append(atom("udta", child)));
}

struct Row {
    const char *name;
    Bytes file;
    int icat6330, nt9665, nt9666;
};

TEST(CheckPlatform_table)
{
    Bytes zeroFirst;
    zeroFirst.be32(0).text("NT9665").zeros(40);
    Bytes sizeZeroAtom = fx::ftyp();
    sizeZeroAtom.be32(0).text("free").append(atom("moov", fx::mvhd().append(fx::udta("NT9665"))));
    const Row rows[] = {
        {"udta names NT9665", withMoov(fx::mvhd().append(fx::udta("NT9665 dash cam"))), 0, 1, 0},
        {"NT9665 in the middle of the text", withMoov(fx::udta("CARDV-NT9665-V2")), 0, 1, 0},
        {"udta names NT9666", withMoov(fx::mvhd().append(fx::udta("NT9666"))), 0, 0, 1},
        {"udta with any other text", withMoov(fx::udta("Generic")), 0, 0, 1},
        {"udta text with a zero before the name", withMoov(fx::udta(std::string("ab\0NT9665", 9))), 0, 0, 1},
        {"udta first child size 0", withMoov(atom("udta", zeroFirst)), 0, 0, 0},
        {"udta first child cut short", fx::ftyp().append(Bytes().be32(8 + 8).text("moov").be32(16).text("udta").be32(32).text("NVTK")), 0, 0, 0},
        {"name ends at byte 64", longChild(54), 0, 1, 0},
        {"name ends past byte 64", longChild(55), 0, 0, 1},
        {"ends with ICAT6330", withMoov(fx::udta("NT9665")).text("ICAT6330"), 1, 0, 0},
        {"ICAT6330 then one byte", withMoov(fx::udta("NT9665")).text("ICAT6330").text("x"), 0, 1, 0},
        {"ICAT6330 alone", Bytes().text("ICAT6330"), 1, 0, 0},
        {"shorter than the mark", Bytes().text("ICAT"), 0, 0, 0},
        {"empty file", Bytes(), 0, 0, 0},
        {"no udta", withMoov(fx::mvhd()), 0, 0, 0},
        {"no moov", fx::ftyp().append(atom("mdat", Bytes().zeros(64))), 0, 0, 0},
        {"127 atoms before moov", manyAtomsThenMoov(127), 0, 1, 0},
        {"128 atoms before moov", manyAtomsThenMoov(128), 0, 0, 0},
        {"129 atoms before moov", manyAtomsThenMoov(129), 0, 0, 0},
        {"200 atoms before moov", manyAtomsThenMoov(200), 0, 0, 0},
        {"size 0 atom before moov", sizeZeroAtom, 0, 0, 0},
    };
    for (const Row &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        CFileList list;
        const tagFileNode node = list.createNodeInfo(f.path);
        CHECK_EQ(node.filePath, f.path);
        CHECK_EQ(node.icat6330, r.icat6330);
        CHECK_EQ(node.nt9665, r.nt9665);
        CHECK_EQ(node.nt9666, r.nt9666);
    }
}

TEST(CheckPlatform_missing_file_sets_no_flag)
{
    CFileList list;
    tagFileNode node = list.createNodeInfo("/nonexistent/veltra/FILE0001.MOV");
    CHECK(node.icat6330 == 0 && node.nt9665 == 0 && node.nt9666 == 0);
    node = list.createNodeInfo("/tmp");
    CHECK(node.icat6330 == 0 && node.nt9665 == 0 && node.nt9666 == 0);
}

TEST(InitNode_clears_every_field)
{
    tagFileNode node;
    node.filePath = node.reservedText1 = node.reservedText2 = node.reservedText3 = "x";
    node.reservedInt1 = node.reservedInt2 = node.reservedInt3 = node.icat6330 = node.nt9665 = node.nt9666 = 5;
    CFileList().InitNode(node);
    CHECK(node.filePath.empty() && node.reservedText1.empty() && node.reservedText2.empty() &&
          node.reservedText3.empty());
    CHECK(node.reservedInt1 == 0 && node.reservedInt2 == 0 && node.reservedInt3 == 0);
    CHECK(node.icat6330 == 0 && node.nt9665 == 0 && node.nt9666 == 0);
}

} // namespace

TEST_MAIN()
