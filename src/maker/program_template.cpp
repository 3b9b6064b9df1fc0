#include "program_template.h"

#include "little_endian.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

constexpr size_t kDosHeaderSize = 64, kPeHeaderPointerAt = 0x3C, kFileHeaderSize = 20, kSectionHeaderSize = 40;
constexpr uint16_t IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002, IMAGE_FILE_DLL = 0x2000;
constexpr uint16_t kPe32Magic = 0x10B, kPe32PlusMagic = 0x20B;
constexpr uint32_t IMAGE_SCN_MEM_DISCARDABLE = 0x02000000;
constexpr size_t kResourceTable = 2, kCertificateTable = 4, kBaseRelocationTable = 5, kDebugDirectory = 6;
constexpr size_t kDebugEntrySize = 28;
constexpr uint64_t kFieldLimit = 0xFFFFFFFF;

const char *const kDirectoryNames[] = {"export table",
                                       "import table",
                                       "resource table",
                                       "exception table",
                                       "certificate table",
                                       "base relocation table",
                                       "debug directory",
                                       "architecture data",
                                       "global pointer",
                                       "TLS table",
                                       "load configuration table",
                                       "bound import table",
                                       "import address table",
                                       "delay import table",
                                       "CLR runtime header",
                                       "reserved directory"};

// Bitmap 101 in French (France), as the resource script declares it; and
// for a window kept above others, the extended window style the program
// reads from its data resource 102, in the same language.
constexpr uint32_t RT_BITMAP = 2, RT_RCDATA = 10, IDB_ARTWORK = 101, IDR_WINDOW_EX_STYLE = 102;
constexpr uint32_t kArtworkLanguage = 0x040C, WS_EX_TOPMOST = 0x00000008;
const uint32_t kArtworkPath[3] = {RT_BITMAP, IDB_ARTWORK, kArtworkLanguage};
const uint32_t kWindowStylePath[3] = {RT_RCDATA, IDR_WINDOW_EX_STYLE, kArtworkLanguage};
constexpr uint32_t kSubdirectory = 0x80000000;
// The rebuilt resource section, in the resource compiler's own layout, so
// that with the bitmap alone only what depends on the bitmap differs from the
// template: the directory of types, one entry for each; a directory of names
// and one of languages for each, of one entry; the data entries; then the
// data of each, at whole 8 bytes, the whole rounded to 8 bytes.
constexpr uint32_t kDirectorySize = 16, kDirectoryEntrySize = 8, kDataEntrySize = 16;
constexpr uint32_t kResourceAlignment = 8;

// A resource the section holds: its type and number, in the artwork's
// language.
struct Resource {
    const uint32_t *pPath;
    const uint8_t *pData;
    uint32_t cbData;
};

struct Section {
    size_t headerAt; // of its entry in the section table
    std::string name;
    uint32_t virtualSize, virtualAddress, rawSize, rawPointer, characteristics;
};

struct Layout {
    size_t fileHeaderAt, optionalHeaderAt, directoriesAt;
    uint32_t directoryCount, fileAlignment, sectionAlignment;
    std::vector<Section> sections;
    size_t resource;  // the resource section's index
    size_t treeAt[3]; // the template's type, name and language directories, in the file
    uint32_t codePage;
};

// Where everything after the resource section goes: in the file past the old
// end of its raw data, in memory past its old end there.
struct Moves {
    uint64_t fileFrom;
    int64_t fileBy;
    uint64_t memoryFrom;
    int64_t memoryBy;
};

uint64_t AlignUp(uint64_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// Returns false with the rule that is broken in *pError.
bool FailWith(std::string *pError, const std::string &rule)
{
    *pError = rule;
    return false;
}

// A linker may leave the virtual size 0; the section then takes its raw size.
uint64_t Extent(const Section &section)
{
    return section.virtualSize ? section.virtualSize : section.rawSize;
}

uint64_t MemoryEnd(const Section &section, uint32_t sectionAlignment)
{
    return AlignUp(section.virtualAddress + Extent(section), sectionAlignment);
}

uint64_t MovedOffset(const Moves &moves, uint64_t offset)
{
    return offset >= moves.fileFrom ? offset + moves.fileBy : offset;
}

uint64_t MovedAddress(const Moves &moves, uint64_t rva)
{
    return rva >= moves.memoryFrom ? rva + moves.memoryBy : rva;
}

bool IsPowerOfTwo(uint32_t value)
{
    return value && (value & (value - 1)) == 0;
}

bool IsObjectFileMachine(uint16_t machine)
{
    return machine == 0x014C || machine == 0x8664 || machine == 0xAA64 || machine == 0x01C4;
}

// The DOS stub's pointer, the PE signature and the file header.
bool ReadFileHeader(const uint8_t *pFile, size_t cbFile, Layout *pLayout, std::string *pError)
{
    if (cbFile < kDosHeaderSize || pFile[0] != 'M' || pFile[1] != 'Z')
        return FailWith(pError, cbFile >= kFileHeaderSize && IsObjectFileMachine(GetLe16(pFile))
                                    ? "an object file, not a program"
                                    : "not a Windows program (no MZ header)");
    const uint64_t peAt = GetLe32(pFile + kPeHeaderPointerAt);
    if (peAt + 4 + kFileHeaderSize > cbFile)
        return FailWith(pError, "truncated: the PE header runs past the end of the file");
    if (std::memcmp(pFile + peAt, "PE\0\0", 4) != 0) return FailWith(pError, "not a PE program (no PE signature)");
    pLayout->fileHeaderAt = peAt + 4;
    pLayout->optionalHeaderAt = pLayout->fileHeaderAt + kFileHeaderSize;
    const uint16_t characteristics = GetLe16(pFile + pLayout->fileHeaderAt + 18);
    if (characteristics & IMAGE_FILE_DLL) return FailWith(pError, "a DLL, not a program");
    if (!(characteristics & IMAGE_FILE_EXECUTABLE_IMAGE)) return FailWith(pError, "not an executable image");
    return true;
}

// The optional header: PE32 or PE32+, its alignments and data directories.
bool ReadOptionalHeader(const uint8_t *pFile, size_t cbFile, Layout *pLayout, std::string *pError)
{
    const size_t optionalSize = GetLe16(pFile + pLayout->fileHeaderAt + 16);
    const size_t at = pLayout->optionalHeaderAt;
    if (at + optionalSize > cbFile || optionalSize < 2)
        return FailWith(pError, "truncated: the optional header runs past the end of the file");
    const uint16_t magic = GetLe16(pFile + at);
    if (magic != kPe32Magic && magic != kPe32PlusMagic)
        return FailWith(pError, "unknown optional header magic " + Hex(magic));
    const size_t directoriesOffset = magic == kPe32Magic ? 96 : 112;
    if (optionalSize < directoriesOffset) return FailWith(pError, "optional header too short");
    pLayout->directoriesAt = at + directoriesOffset;
    pLayout->directoryCount = GetLe32(pFile + pLayout->directoriesAt - 4);
    if (pLayout->directoryCount > (optionalSize - directoriesOffset) / 8)
        return FailWith(pError, "optional header too short for its " + std::to_string(pLayout->directoryCount) +
                                    " data directories");
    pLayout->sectionAlignment = GetLe32(pFile + at + 32);
    pLayout->fileAlignment = GetLe32(pFile + at + 36);
    if (!IsPowerOfTwo(pLayout->fileAlignment) || pLayout->fileAlignment < 512 || pLayout->fileAlignment > 65536 ||
        !IsPowerOfTwo(pLayout->sectionAlignment) || pLayout->sectionAlignment < pLayout->fileAlignment)
        return FailWith(pError, "file alignment " + Hex(pLayout->fileAlignment) + " with section alignment " +
                                    Hex(pLayout->sectionAlignment) + ": not a layout the loader takes");
    return true;
}

// The section table: aligned, in order, apart from each other, in the file.
bool ReadSections(const uint8_t *pFile, size_t cbFile, Layout *pLayout, std::string *pError)
{
    const uint16_t count = GetLe16(pFile + pLayout->fileHeaderAt + 2);
    const uint64_t tableAt = pLayout->optionalHeaderAt + GetLe16(pFile + pLayout->fileHeaderAt + 16);
    if (tableAt + uint64_t(count) * kSectionHeaderSize > cbFile)
        return FailWith(pError, "truncated: the section table runs past the end of the file");
    if (count == 0) return FailWith(pError, "no sections");
    uint64_t fileEnd = tableAt + uint64_t(count) * kSectionHeaderSize, memoryEnd = 0;
    std::string inFileBefore = "the headers", inMemoryBefore;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = tableAt + i * kSectionHeaderSize;
        const uint8_t *pHeader = pFile + at;
        const Section section = {
            at,
            std::string(reinterpret_cast<const char *>(pHeader), strnlen(reinterpret_cast<const char *>(pHeader), 8)),
            GetLe32(pHeader + 8),
            GetLe32(pHeader + 12),
            GetLe32(pHeader + 16),
            GetLe32(pHeader + 20),
            GetLe32(pHeader + 36)};
        if (section.rawPointer % pLayout->fileAlignment || section.rawSize % pLayout->fileAlignment ||
            section.virtualAddress % pLayout->sectionAlignment)
            return FailWith(pError, "section " + section.name + " is not aligned as the optional header says");
        if (section.rawSize) {
            if (uint64_t(section.rawPointer) + section.rawSize > cbFile)
                return FailWith(pError, "section " + section.name + " runs past the end of the file");
            if (section.rawPointer < fileEnd)
                return FailWith(pError, "section " + section.name + " overlaps " + inFileBefore + " in the file");
            fileEnd = uint64_t(section.rawPointer) + section.rawSize;
            inFileBefore = "section " + section.name;
        }
        if (i > 0 && section.virtualAddress < memoryEnd)
            return FailWith(pError, "section " + section.name + " overlaps section " + inMemoryBefore + " in memory");
        memoryEnd = MemoryEnd(section, pLayout->sectionAlignment);
        inMemoryBefore = section.name;
        pLayout->sections.push_back(section);
    }
    return true;
}

void GetDataDirectory(const uint8_t *pFile, const Layout &layout, size_t index, uint32_t *pRva, uint32_t *pSize)
{
    const bool present = index < layout.directoryCount;
    *pRva = present ? GetLe32(pFile + layout.directoriesAt + 8 * index) : 0;
    *pSize = present ? GetLe32(pFile + layout.directoriesAt + 8 * index + 4) : 0;
}

// The resource section is rebuilt and everything after it moves: only what
// can move with it may lie there.
bool CheckWhatFollowsResources(const uint8_t *pFile, const Layout &layout, std::string *pError)
{
    const Section &resources = layout.sections[layout.resource];
    for (size_t i = layout.resource + 1; i < layout.sections.size(); ++i)
        if (!(layout.sections[i].characteristics & IMAGE_SCN_MEM_DISCARDABLE))
            return FailWith(pError,
                            "section " + layout.sections[i].name +
                                " follows the resource section and is not discardable: code may refer to it there");
    const uint64_t end = MemoryEnd(resources, layout.sectionAlignment);
    for (size_t i = 0; i < layout.directoryCount && i < std::size(kDirectoryNames); ++i) {
        uint32_t rva, size;
        GetDataDirectory(pFile, layout, i, &rva, &size);
        if (i == kResourceTable || (rva == 0 && size == 0) || rva < resources.virtualAddress) continue;
        if (rva < end)
            return FailWith(pError, std::string("the ") + kDirectoryNames[i] + " lies in the resource section");
        if (i != kBaseRelocationTable && i != kDebugDirectory)
            return FailWith(pError,
                            std::string("the ") + kDirectoryNames[i] + " lies after the resource section, which moves");
    }
    const uint32_t symbols = GetLe32(pFile + layout.fileHeaderAt + 8);
    if (symbols >= resources.rawPointer && symbols < uint64_t(resources.rawPointer) + resources.rawSize)
        return FailWith(pError, "the symbol table lies in the resource section");
    return true;
}

bool FindResourceSection(const uint8_t *pFile, Layout *pLayout, std::string *pError)
{
    uint32_t rva, size;
    GetDataDirectory(pFile, *pLayout, kCertificateTable, &rva, &size);
    if (rva || size) return FailWith(pError, "signed (certificate table): a new bitmap would break the signature");
    GetDataDirectory(pFile, *pLayout, kResourceTable, &rva, &size);
    if (!rva) return FailWith(pError, "no bitmap 101 in language 0x040C: no resources at all");
    for (size_t i = 0; i < pLayout->sections.size(); ++i) {
        if (pLayout->sections[i].virtualAddress != rva) continue;
        pLayout->resource = i;
        return CheckWhatFollowsResources(pFile, *pLayout, pError);
    }
    return FailWith(pError, "the resource table does not begin a section of its own");
}

// Looks for the entry of number id in the resource directory at offset at of
// the section: 1 found (its target in *pTarget, and whether it is the only
// entry there in *pOnly), 0 not there, -1 the directory runs past the section.
int FindEntry(const uint8_t *pSection, uint32_t cbSection, uint32_t at, uint32_t id, uint32_t *pTarget, bool *pOnly)
{
    if (at > cbSection || cbSection - at < 16) return -1;
    const uint8_t *pDirectory = pSection + at;
    const uint32_t count = uint32_t(GetLe16(pDirectory + 12)) + GetLe16(pDirectory + 14);
    if ((cbSection - at - 16) / 8 < count) return -1;
    *pOnly = count == 1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t *pEntry = pDirectory + 16 + 8 * i;
        // A named entry has its top bit set, so never equals a number.
        if (GetLe32(pEntry) == id) {
            *pTarget = GetLe32(pEntry + 4);
            return 1;
        }
    }
    return 0;
}

// Follows path (type, name, language) from the directory at offset at of the
// section, one level at a time, keeping each directory's offset in the file in
// treeAt and the data entry's offset in the section in *pEntryAt. 1 found,
// with *pAlone when every directory below the first holds that one entry; 0
// not there; -1 the table runs past its section.
int FollowPath(const uint8_t *pSection, const Section &section, const uint32_t path[3], size_t treeAt[3],
               uint32_t *pEntryAt, bool *pAlone)
{
    uint32_t at = 0;
    *pAlone = true;
    for (int level = 0; level < 3; ++level) {
        uint32_t target = 0;
        bool only = false;
        const int found = FindEntry(pSection, section.rawSize, at, path[level], &target, &only);
        if (found <= 0) return found;
        // Types and names lead to directories, languages to the data.
        if (((target & kSubdirectory) != 0) != (level < 2)) return 0;
        treeAt[level] = section.rawPointer + at;
        if (level > 0) *pAlone = *pAlone && only;
        at = target & ~kSubdirectory;
    }
    if (at > section.rawSize || section.rawSize - at < kDataEntrySize) return -1;
    *pEntryAt = at;
    return 1;
}

// Bitmap 101 in language 0x040C must be there, and nothing else but the
// window's style that a made program may carry.
bool ReadResourceTree(const uint8_t *pFile, Layout *pLayout, std::string *pError)
{
    const Section &section = pLayout->sections[pLayout->resource];
    const uint8_t *pSection = pFile + section.rawPointer;
    const std::string damaged = "the resource table runs past its section";
    uint32_t entryAt = 0;
    bool alone = false;
    const int found = FollowPath(pSection, section, kArtworkPath, pLayout->treeAt, &entryAt, &alone);
    if (found < 0) return FailWith(pError, damaged);
    if (found == 0) return FailWith(pError, "no bitmap 101 in language 0x040C");
    pLayout->codePage = GetLe32(pSection + entryAt + 8);
    const uint32_t types = uint32_t(GetLe16(pSection + 12)) + GetLe16(pSection + 14);
    size_t styleTreeAt[3];
    uint32_t styleAt = 0;
    bool styleAlone = false;
    const int style =
        types == 2 ? FollowPath(pSection, section, kWindowStylePath, styleTreeAt, &styleAt, &styleAlone) : 0;
    if (style < 0) return FailWith(pError, damaged);
    if (!alone || !(types == 1 || (style == 1 && styleAlone)))
        return FailWith(pError, "resources besides bitmap 101 in language 0x040C: the program carries no other");
    return true;
}

bool ReadTemplate(const uint8_t *pFile, size_t cbFile, Layout *pLayout, std::string *pError)
{
    return ReadFileHeader(pFile, cbFile, pLayout, pError) && ReadOptionalHeader(pFile, cbFile, pLayout, pError) &&
           ReadSections(pFile, cbFile, pLayout, pError) && FindResourceSection(pFile, pLayout, pError) &&
           ReadResourceTree(pFile, pLayout, pError);
}

bool WithinLimits(int64_t fileSize, int64_t imageSize, int64_t initializedData, std::string *pError)
{
    const struct {
        int64_t value;
        const char *what;
    } sizes[] = {{fileSize, "file"}, {imageSize, "image in memory"}, {initializedData, "initialized data"}};
    for (const auto &size : sizes)
        if (size.value < 0 || uint64_t(size.value) > kFieldLimit)
            return FailWith(pError, std::string("beyond the format's limits: the program's ") + size.what +
                                        " would be " + std::to_string(size.value) +
                                        " bytes, which no 32-bit field holds");
    return true;
}

// The size of the resource section's table for count resources, the data
// left out.
uint32_t ResourceTreeSize(uint32_t count)
{
    return kDirectorySize + count * kDirectoryEntrySize +
           count * (2 * (kDirectorySize + kDirectoryEntrySize) + kDataEntrySize);
}

uint64_t ResourceSectionSize(const std::vector<Resource> &resources)
{
    uint64_t size = ResourceTreeSize(static_cast<uint32_t>(resources.size()));
    for (const Resource &resource : resources) size = AlignUp(size, kResourceAlignment) + resource.cbData;
    return AlignUp(size, kResourceAlignment);
}

// The new resource section, as the resource compiler would have laid it out
// for these resources, sorted by type, padded with zeros to its raw size.
void AppendResourceSection(const uint8_t *pTemplate, const Layout &layout, const std::vector<Resource> &resources,
                           uint32_t rawSize, std::vector<uint8_t> *pOut)
{
    const uint32_t count = static_cast<uint32_t>(resources.size());
    const uint32_t oneEntryDirectory = kDirectorySize + kDirectoryEntrySize;
    const uint32_t namesAt = kDirectorySize + count * kDirectoryEntrySize;
    const uint32_t languagesAt = namesAt + count * oneEntryDirectory;
    const uint32_t entriesAt = languagesAt + count * oneEntryDirectory;
    std::vector<uint8_t> section(ResourceTreeSize(count), 0);
    // Characteristics, time stamp and version as the template has them at each
    // level, then no named entry and the numbered ones.
    auto putDirectory = [&](uint32_t at, uint32_t level, uint32_t entries) {
        std::memcpy(&section[at], pTemplate + layout.treeAt[level], 12);
        section[at + 14] = static_cast<uint8_t>(entries);
    };
    putDirectory(0, 0, count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t *pPath = resources[i].pPath;
        const uint32_t nameAt = namesAt + i * oneEntryDirectory, languageAt = languagesAt + i * oneEntryDirectory;
        PutLe32(&section[kDirectorySize + i * kDirectoryEntrySize], pPath[0]);
        PutLe32(&section[kDirectorySize + i * kDirectoryEntrySize + 4], kSubdirectory | nameAt);
        putDirectory(nameAt, 1, 1);
        PutLe32(&section[nameAt + kDirectorySize], pPath[1]);
        PutLe32(&section[nameAt + kDirectorySize + 4], kSubdirectory | languageAt);
        putDirectory(languageAt, 2, 1);
        PutLe32(&section[languageAt + kDirectorySize], pPath[2]);
        PutLe32(&section[languageAt + kDirectorySize + 4], entriesAt + i * kDataEntrySize);
    }
    for (uint32_t i = 0; i < count; ++i) {
        section.resize(AlignUp(section.size(), kResourceAlignment), 0);
        uint8_t *pDataEntry = &section[entriesAt + i * kDataEntrySize];
        // An address in memory.
        PutLe32(pDataEntry, layout.sections[layout.resource].virtualAddress + static_cast<uint32_t>(section.size()));
        PutLe32(pDataEntry + 4, resources[i].cbData);
        PutLe32(pDataEntry + 8, layout.codePage);
        section.insert(section.end(), resources[i].pData, resources[i].pData + resources[i].cbData);
    }
    section.resize(rawSize, 0);
    pOut->insert(pOut->end(), section.begin(), section.end());
}

// A debug entry points at its data both by address and in the file; data
// after the resource section has moved with it.
bool MoveDebugData(const uint8_t *pTemplate, const Layout &layout, const Moves &moves, std::vector<uint8_t> *pOut,
                   std::string *pError)
{
    uint32_t rva, size;
    GetDataDirectory(pTemplate, layout, kDebugDirectory, &rva, &size);
    for (const Section &section : layout.sections) {
        if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize) continue;
        const Section &resources = layout.sections[layout.resource];
        const uint64_t at = section.rawPointer + uint64_t(rva - section.virtualAddress);
        const uint64_t count = std::min<uint64_t>(size, section.rawPointer + section.rawSize - at) / kDebugEntrySize;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t *pEntry = pTemplate + at + i * kDebugEntrySize;
            const uint32_t address = GetLe32(pEntry + 20), pointer = GetLe32(pEntry + 24);
            if ((pointer >= resources.rawPointer && pointer < moves.fileFrom) ||
                (address >= resources.virtualAddress && address < moves.memoryFrom))
                return FailWith(pError, "debug data lies in the resource section");
            uint8_t *pMoved = pOut->data() + MovedOffset(moves, at + i * kDebugEntrySize);
            PutLe32(pMoved + 20, MovedAddress(moves, address));
            PutLe32(pMoved + 24, MovedOffset(moves, pointer));
        }
        return true;
    }
    return size == 0 || FailWith(pError, "the debug directory lies outside the sections' data");
}

void UpdateHeaders(const uint8_t *pTemplate, const Layout &layout, const Moves &moves, uint32_t resourceSize,
                   uint32_t resourceRawSize, uint64_t imageSize, std::vector<uint8_t> *pOut)
{
    uint8_t *pProgram = pOut->data();
    const Section &resources = layout.sections[layout.resource];
    // The resource section now holds the new bitmap, in memory and in the file.
    PutLe32(pProgram + resources.headerAt + 8, resourceSize);
    PutLe32(pProgram + resources.headerAt + 16, resourceRawSize);
    // The sections after it keep their contents and move by whole alignments.
    for (size_t i = layout.resource + 1; i < layout.sections.size(); ++i) {
        const Section &section = layout.sections[i];
        PutLe32(pProgram + section.headerAt + 12, MovedAddress(moves, section.virtualAddress));
        PutLe32(pProgram + section.headerAt + 20, MovedOffset(moves, section.rawPointer));
    }
    // A symbol table, when the template still has one, follows the sections.
    PutLe32(pProgram + layout.fileHeaderAt + 8, MovedOffset(moves, GetLe32(pTemplate + layout.fileHeaderAt + 8)));
    const size_t optional = layout.optionalHeaderAt;
    // The linker counts the resource section's raw bytes as initialized data.
    PutLe32(pProgram + optional + 8, GetLe32(pTemplate + optional + 8) + moves.fileBy);
    // The loader maps this much: up to the end of the last section.
    PutLe32(pProgram + optional + 56, imageSize);
    // The resource table fills its section, which has not moved.
    PutLe32(pProgram + layout.directoriesAt + 8 * kResourceTable + 4, resourceSize);
    // The base relocations and the debug directory move with their sections.
    for (size_t index : {kBaseRelocationTable, kDebugDirectory})
        if (index < layout.directoryCount)
            PutLe32(pProgram + layout.directoriesAt + 8 * index,
                    MovedAddress(moves, GetLe32(pTemplate + layout.directoriesAt + 8 * index)));
}

// The optional header's checksum: the file's 16-bit words summed with their
// carries folded back in, the checksum field itself counted as 0, plus the
// file's length. The template's no longer holds once anything has changed.
uint32_t Checksum(const std::vector<uint8_t> &file)
{
    uint64_t sum = 0;
    size_t i = 0;
    // Whole 32-bit words first: two 16-bit words each, folded at the end.
    for (; i + 4 <= file.size(); i += 4) sum += GetLe32(&file[i]);
    for (int shift = 0; i < file.size(); ++i, shift += 8) sum += uint64_t(file[i]) << shift;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

} // namespace

bool MakeProgram(const uint8_t *pTemplate, size_t cbTemplate, const uint8_t *pDib, size_t cbDib, bool onTop,
                 std::vector<uint8_t> *pProgram, std::string *pError)
{
    Layout layout;
    if (!ReadTemplate(pTemplate, cbTemplate, &layout, pError)) return false;
    uint8_t exStyle[4];
    PutLe32(exStyle, WS_EX_TOPMOST);
    std::vector<Resource> added = {{kArtworkPath, pDib, static_cast<uint32_t>(cbDib)}};
    if (onTop) added.push_back({kWindowStylePath, exStyle, sizeof(exStyle)});
    const Section &resources = layout.sections[layout.resource];
    const uint64_t resourceSize = ResourceSectionSize(added);
    const uint64_t resourceRawSize = AlignUp(resourceSize, layout.fileAlignment);
    const uint64_t memoryEnd = MemoryEnd(resources, layout.sectionAlignment);
    const Moves moves = {uint64_t(resources.rawPointer) + resources.rawSize,
                         int64_t(resourceRawSize) - int64_t(resources.rawSize), memoryEnd,
                         int64_t(AlignUp(resources.virtualAddress + resourceSize, layout.sectionAlignment)) -
                             int64_t(memoryEnd)};
    const Section &last = layout.sections.back();
    const uint64_t imageSize = MovedAddress(moves, MemoryEnd(last, layout.sectionAlignment));
    const int64_t initializedData = int64_t(GetLe32(pTemplate + layout.optionalHeaderAt + 8)) + moves.fileBy;
    if (!WithinLimits(int64_t(cbTemplate) + moves.fileBy, int64_t(imageSize), initializedData, pError)) return false;

    std::vector<uint8_t> &out = *pProgram;
    out.clear();
    out.reserve(cbTemplate + moves.fileBy);
    out.insert(out.end(), pTemplate, pTemplate + resources.rawPointer);
    AppendResourceSection(pTemplate, layout, added, static_cast<uint32_t>(resourceRawSize), &out);
    out.insert(out.end(), pTemplate + moves.fileFrom, pTemplate + cbTemplate);
    if (!MoveDebugData(pTemplate, layout, moves, &out, pError)) return false;
    UpdateHeaders(pTemplate, layout, moves, static_cast<uint32_t>(resourceSize), static_cast<uint32_t>(resourceRawSize),
                  imageSize, &out);
    uint8_t *pChecksum = out.data() + layout.optionalHeaderAt + 64;
    PutLe32(pChecksum, 0);
    PutLe32(pChecksum, Checksum(out));
    return true;
}
