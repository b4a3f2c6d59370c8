// Chipset detection: tells which Novatek camera family wrote a video file from the
// 8-byte mark at its very end and the chipset name inside "moov"/"udta". Looks at a
// few dozen bytes whatever the size of the file (read through the file's window) and
// never changes it.
#pragma once

#include <cstdint>
#include <string>

class BinaryFile;

// Detection result for one file. At most one of the three flags is set.
struct tagFileNode {
    std::string filePath;
    std::string reservedText1;   // cleared, not otherwise used
    std::string reservedText2;
    std::string reservedText3;
    int32_t reservedInt1 = 0;
    int32_t reservedInt2 = 0;
    int32_t icat6330 = 0;        // the file ends with "ICAT6330"
    int32_t reservedInt3 = 0;
    int32_t nt9665 = 0;          // the udta text names "NT9665"
    int32_t nt9666 = 0;          // the udta text was read and does not name "NT9665"
    // The udta text names "NT9666" itself (nt9666 also covers any other text, for the
    // choice of reader): what veltra-gps --detect reports as the mark.
    bool namesNt9666 = false;
};

class CFileList {
public:
    static constexpr int kMaxSkippedAtoms = 128;
    static constexpr uint32_t kMaxUdtaText = 64;

    tagFileNode createNodeInfo(const std::string &path);
    // The same for a file already open (its name is `path`); the readers can go on
    // with it, whatever its position.
    tagFileNode createNodeInfo(const std::string &path, BinaryFile &file);
    void InitNode(tagFileNode &node);
    void CheckPlatform(tagFileNode &node, const std::string &path);
    void CheckPlatform(tagFileNode &node, BinaryFile &file);
};
