#include "FileList.h"

#include "BinaryFile.h"

#include <cstring>

namespace {

// Walks at most kMaxSkippedAtoms atoms from the current position looking for `fourcc`;
// on a find the position is just after its header, which goes to *found when given.
bool findAtomWithin(BinaryFile &file, const char *fourcc, AtomHeader *found = nullptr)
{
    for (int skipped = 0; skipped < CFileList::kMaxSkippedAtoms; ++skipped) {
        AtomHeader h;
        if (!file.readAtomHeader(&h))
            return false;
        if (h.is(fourcc)) {
            if (found)
                *found = h;
            return true;
        }
        if (!h.canSkip() || h.size > static_cast<uint64_t>(file.remainingFrom(h.start)) || !file.seek(h.end()))
            return false;
    }
    return false;
}

} // namespace

tagFileNode CFileList::createNodeInfo(const std::string &path)
{
    tagFileNode node;
    InitNode(node);
    node.filePath = path;
    CheckPlatform(node, path);
    return node;
}

tagFileNode CFileList::createNodeInfo(const std::string &path, BinaryFile &file)
{
    tagFileNode node;
    InitNode(node);
    node.filePath = path;
    CheckPlatform(node, file);
    return node;
}

void CFileList::InitNode(tagFileNode &node)
{
    node.filePath.clear();
    node.reservedText1.clear();
    node.reservedText2.clear();
    node.reservedText3.clear();
    node.reservedInt1 = node.reservedInt2 = node.reservedInt3 = 0;
    node.icat6330 = node.nt9665 = node.nt9666 = 0;
    node.namesNt9666 = false;
}

void CFileList::CheckPlatform(tagFileNode &node, const std::string &path)
{
    BinaryFile file;
    if (file.open(path))
        CheckPlatform(node, file);
}

void CFileList::CheckPlatform(tagFileNode &node, BinaryFile &file)
{
    if (!file.isOpen())
        return;

    if (file.size() >= 8 && file.seek(file.size() - 8)) {
        char mark[16] = {0};
        if (file.readExact(mark, 8) && std::strcmp(mark, "ICAT6330") == 0) {
            node.icat6330 = 1;
            return;
        }
    }

    AtomHeader moov;
    if (!file.seek(0) || !findAtomWithin(file, "moov", &moov))
        return;
    file.keep(moov.start, moov.size);   // the readers walk it again
    if (!findAtomWithin(file, "udta"))
        return;

    // In camera files the first 4 bytes of udta's content are the size of its first
    // child; that many bytes (at most 64) hold the chipset text.
    uint32_t length = 0;
    if (!file.readU32BE(&length))
        return;
    if (length > kMaxUdtaText)
        length = kMaxUdtaText;
    if (length == 0)
        return;
    char text[kMaxUdtaText + 1] = {0};
    if (!file.readExact(text, length))
        return;
    if (std::strstr(text, "NT9665")) {
        node.nt9665 = 1;
    } else {
        node.nt9666 = 1;
        node.namesNt9666 = std::strstr(text, "NT9666") != nullptr;
    }
}
