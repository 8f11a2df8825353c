#pragma once
// A tile-map archive: a bzip2-compressed tar file whose members "map" (a
// header, terrain types, rows of tiles) and "entity" (templates placed on
// tiles) are comma-separated text. The embedded interpreter's tarfile and csv
// unpack it and split it into cells; TerrainReader interprets the cells into a
// terrain table of its own, so that a map takes an archive whole or not at all.
//
// Everything an archive says is bounded before it is believed: a header whose
// grid is not positive or larger than a map may be is refused before anything
// is sized by it, and a number is read as a 64-bit integer (saturating) or a
// double, then range-checked where it is used. The batch size is the one
// number never refused: any count of tiles a batch may hold can be built.

#include "core/LogFile.h"
#include "game/world/TileMap.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Tarnu
{

/// What an archive holds.
struct TileMapArchive
{
    std::string textureName;
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    std::uint32_t batchSize = 0;
    /// columns × rows cells, by tile index; empty when the archive had no usable header.
    std::vector<TileMap::TerrainCell> terrain;
};

/// Interprets an archive's rows, "map" first, then "entity". Messages go to the
/// default log and name the archive.
class TerrainReader
{
public:
    explicit TerrainReader(std::string archiveName);

    /// One record of "map"; an empty one is skipped and not counted as a row.
    void mapRow(const std::vector<std::string>& cells);
    /// One record of "entity".
    void entityRow(const std::vector<std::string>& cells);
    /// The terrain read, after the reading's last word in the log.
    TileMapArchive finish();

    /// A cell's decimal integer: blanks before it skipped, text after it ignored, 0 without
    /// one; one past the range of 64 bits reads as the nearest end of it.
    static std::int64_t readInteger(std::string_view cell);
    /// A cell's decimal number, likewise; one past the range of a double reads as 0.
    static double readReal(std::string_view cell);
    /// A cell's decimal integer as an unsigned 32-bit number, as C's strtoul reads one: a minus
    /// sign counts down from 2^32 (-1 is 4294967295), and one past 32 bits either way is the largest.
    static std::uint32_t readUnsigned(std::string_view cell);

private:
    void header(const std::vector<std::string>& cells);
    void typeRow(const std::vector<std::string>& cells);
    void tileRow(const std::vector<std::string>& cells, std::int64_t y);
    /// Whether the header may be believed; each refusal is logged.
    bool acceptHeader(std::int64_t columns, std::int64_t rows, std::int64_t types);

    std::string archiveName;
    TileMapArchive archive;
    std::vector<AxisAlignedBox> types;
    std::int64_t typeCount = 0;  // N of the header; 0 while none was read
    std::uint64_t mapRows = 0;   // non-empty records of "map"
    std::uint64_t entityRecords = 0;
    std::uint64_t undefinedTypes = 0;
    bool refused = false;
};

/// Tile-map messages go to the default log, when there is one.
void logTileMapMessage(const std::string& message, LogFile::MessageLevel level);

/// Opens the archive and feeds its members to the reader, "map" first; both are looked up
/// before any row is read. The path is the bytes the file system names the file by; tarfile is
/// given the str Python makes of them (surrogate escapes for bytes that are not UTF-8), so it
/// opens every file Python's own open() does. Python's errors (no such file, not a bzip2 tar, a
/// member missing, text csv cannot read) are raised as they are (boost::python::error_already_set).
void readTileMapArchive(const std::string& path, TerrainReader& reader);

}
