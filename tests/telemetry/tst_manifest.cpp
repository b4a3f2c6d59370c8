// The proof an export carries: SHA-256 against the standard's vectors, the manifest's
// JSON read back and refused when hostile, and a check that names what changed.
#include "TestSupport.h"

#include "Manifest.h"
#include "Sha256.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string hexOf(const std::string &s)
{
    return Sha256::hex(reinterpret_cast<const unsigned char *>(s.data()), s.size());
}

Manifest sample()
{
    Manifest m;
    m.program = "Veltra Player 9.9";
    m.createdUtc = "2026-12-09T21:30:00Z";
    m.markIn = 12.5;
    m.markOut = 30;
    m.clips.push_back({"A \"1\".MOV", "/card/DCIM/A \"1\".MOV", 1234567890123, std::string(64, 'a'), 3604000});
    m.clips.push_back({"B.MOV", "/card/B.MOV", 0, std::string(64, 'b'), std::nullopt});
    m.files.push_back({"incident.mp4", "", 45, std::string(64, 'c'), std::nullopt});
    return m;
}

} // namespace

TEST(sha256_vectors)
{
    CHECK_EQ(hexOf(""), std::string("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    CHECK_EQ(hexOf("abc"), std::string("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    CHECK_EQ(hexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
             std::string("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"));
    // A million a's given in pieces that straddle the 64-byte blocks.
    Sha256 s;
    const std::string piece(997, 'a');
    size_t left = 1000000;
    while (left) {
        const size_t n = std::min(left, piece.size());
        s.update(reinterpret_cast<const unsigned char *>(piece.data()), n);
        left -= n;
    }
    CHECK_EQ(Sha256::toHex(s.final()), std::string("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"));
}

TEST(manifest_reads_back_what_was_written)
{
    Manifest back;
    std::string error;
    CHECK(ManifestJson::parse(ManifestJson::write(sample()), &back, &error));
    CHECK_EQ(error, std::string());
    CHECK_EQ(back.program, std::string("Veltra Player 9.9"));
    CHECK_EQ(back.markIn, 12.5);
    CHECK_EQ(back.clips.size(), size_t(2));
    CHECK_EQ(back.clips[0].name, std::string("A \"1\".MOV"));
    CHECK_EQ(back.clips[0].size, uint64_t(1234567890123));
    CHECK(back.clips[0].cameraErrorMs == std::optional<int64_t>(3604000));
    CHECK(!back.clips[1].cameraErrorMs);
    CHECK_EQ(back.files.size(), size_t(1));
    CHECK_EQ(back.files[0].sha256, std::string(64, 'c'));
    // A manifest of a plain export says nothing of redaction and reads as not redacted.
    CHECK(!back.redacted);
    CHECK(ManifestJson::write(sample()).find("redacted") == std::string::npos);
}

TEST(manifest_of_a_redacted_copy)
{
    Manifest m = sample();
    m.redacted = true;
    m.redactedMarks = 3;
    Manifest back;
    std::string error;
    CHECK(ManifestJson::parse(ManifestJson::write(m), &back, &error));
    CHECK_EQ(error, std::string());
    CHECK(back.redacted);
    CHECK_EQ(back.redactedMarks, int64_t(3));
    CHECK_EQ(back.clips[0].sha256, std::string(64, 'a'));   // the original's digest
}

TEST(hostile_manifests_are_refused)
{
    const std::string good = ManifestJson::write(sample());
    const std::string digest(64, 'd');
    const struct {
        const char *name;
        std::string text;
    } rows[] = {
        {"empty", ""},
        {"cut short", good.substr(0, good.size() / 2)},
        {"text after it", good + "x"},
        {"not ours", R"({"manifest":"other","format":1,"clips":[],"files":[]})"},
        {"a later format", R"({"manifest":"veltra-export","format":2,"clips":[],"files":[]})"},
        {"nested too deeply", std::string(100, '[') + std::string(100, ']')},
        {"a written file in another folder",
         R"({"manifest":"veltra-export","format":1,"clips":[],"files":[{"name":"../x","size":1,"sha256":")" + digest +
             R"("}]})"},
        {"a short digest", R"({"manifest":"veltra-export","format":1,"clips":[],"files":[{"name":"x","size":1,"sha256":"ab"}]})"},
        {"a negative size",
         R"({"manifest":"veltra-export","format":1,"clips":[],"files":[{"name":"x","size":-1,"sha256":")" + digest + R"("}]})"},
        {"a size past 64 bits",
         R"({"manifest":"veltra-export","format":1,"clips":[],"files":[{"name":"x","size":99999999999999999999,"sha256":")" +
             digest + R"("}]})"},
        {"a lone surrogate", R"({"manifest":"veltra-export","format":1,"program":"\udc00","clips":[],"files":[]})"},
        {"a control character", std::string(R"({"manifest":"veltra-export","format":1,"program":")") + '\x01' +
                                    R"(","clips":[],"files":[]})"},
        // Two readers of one text must see one manifest.
        {"a key given twice", R"({"manifest":"veltra-export","format":1,"clips":[],"files":[],"files":[]})"},
        {"redacted without its count", R"({"manifest":"veltra-export","format":1,"redacted":true,"clips":[],"files":[]})"},
        {"redacted as a text",
         R"({"manifest":"veltra-export","format":1,"redacted":"yes","redacted_marks":1,"clips":[],"files":[]})"},
        {"a negative count of marks",
         R"({"manifest":"veltra-export","format":1,"redacted":true,"redacted_marks":-2,"clips":[],"files":[]})"},
        {"a key given twice in a file",
         R"({"manifest":"veltra-export","format":1,"clips":[],"files":[{"name":"x","size":1,"size":2,"sha256":")" + digest +
             R"("}]})"},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        Manifest m;
        std::string error;
        CHECK(!ManifestJson::parse(r.text, &m, &error));
        CHECK(!error.empty());
    }
    // Escapes and a surrogate pair read as UTF-8.
    Manifest m;
    CHECK(ManifestJson::parse(R"({"manifest":"veltra-export","format":1,"program":"\u884c\ud83d\ude97\/\n","clips":[],"files":[]})",
                              &m, nullptr));
    CHECK_EQ(m.program, std::string("\xe8\xa1\x8c\xf0\x9f\x9a\x97/\n"));
}

TEST(verify_names_what_changed)
{
    tst::TempFile clip(tst::Bytes().text("the recording"), "A.MOV");
    tst::TempFile video(tst::Bytes().text("the segment"), "incident.mp4");
    Manifest m = sample();
    m.clips = {{"A.MOV", clip.path, 13, Sha256::fileHex(clip.path), 0}};
    m.files = {{"incident.mp4", "", 11, Sha256::fileHex(video.path), std::nullopt},
               {"incident.png", "", 3, std::string(64, 'e'), std::nullopt}};
    // The manifest lies beside the written files.
    tst::TempFile manifest(tst::Bytes().text(ManifestJson::write(m)), "incident.manifest.json");
    const std::string beside = manifest.folder + "/incident.mp4";
    std::rename(video.path.c_str(), beside.c_str());
    ManifestVerdict v = verifyManifest(manifest.path);
    CHECK(v.read);
    CHECK_EQ(v.checks.size(), size_t(3));
    if (v.checks.size() == 3) {
        CHECK(v.checks[0].clip && v.checks[0].state == ManifestCheck::State::Same);
        CHECK(v.checks[1].state == ManifestCheck::State::Same);
        CHECK(v.checks[2].state == ManifestCheck::State::Missing);
    }
    CHECK(!v.allSame());
    // One byte of the segment changed: its size holds, its digest does not.
    tst::TempFile changed(tst::Bytes().text("the segmenT"), "x");
    std::rename(changed.path.c_str(), beside.c_str());
    v = verifyManifest(manifest.path);
    CHECK(v.checks.size() == 3 && v.checks[1].state == ManifestCheck::State::Changed);
    CHECK(v.checks.size() == 3 && v.checks[1].detail == "its SHA-256 differs");
    std::remove(beside.c_str());

    CHECK(!verifyManifest(manifest.folder + "/none.json").read);
    CHECK(!verifyManifest(manifest.folder).read);   // a folder

    // A clip's relative path is the manifest's folder's, wherever the check runs.
    Manifest relative = sample();
    relative.clips = {{"A.MOV", "card/A.MOV", 13, Sha256::fileHex(clip.path), 0}};
    relative.files.clear();
    tst::TempFile relativeManifest(tst::Bytes().text(ManifestJson::write(relative)), "relative.manifest.json");
    const std::string card = relativeManifest.folder + "/card";
    CHECK(mkdir(card.c_str(), 0700) == 0);
    tst::TempFile moved(tst::Bytes().text("the recording"), "x");
    std::rename(moved.path.c_str(), (card + "/A.MOV").c_str());
    v = verifyManifest(relativeManifest.path);
    CHECK(v.read && v.checks.size() == 1 && v.checks[0].state == ManifestCheck::State::Same);
    CHECK(v.checks.size() == 1 && v.checks[0].path == card + "/A.MOV");
    std::remove((card + "/A.MOV").c_str());
    rmdir(card.c_str());
}

TEST_MAIN()
