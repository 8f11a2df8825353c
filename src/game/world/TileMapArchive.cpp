#include "game/world/TileMapArchive.h"

#include "core/LogManager.h"
#include "scene/templates/EntityTemplateManager.h"

#include <boost/python.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

// The rows of a header, a terrain type and an entity have at least these many cells.
constexpr std::size_t HEADER_CELLS = 7, TYPE_CELLS = 5, ENTITY_CELLS = 3;

std::string_view afterBlanks(std::string_view cell)
{
    std::size_t start = 0;
    while (start < cell.size() && std::isspace(static_cast<unsigned char>(cell[start])))
        ++start;
    return cell.substr(start);
}

// The length of the decimal digits at the start of the text.
std::size_t digitsAt(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    return end - from;
}

// Closes the archive on every way out, keeping whatever Python error is on its way to the caller.
class ArchiveCloser
{
public:
    explicit ArchiveCloser(py::object archive) : archive(std::move(archive)) {}
    ArchiveCloser(const ArchiveCloser&) = delete;
    ArchiveCloser& operator=(const ArchiveCloser&) = delete;

    ~ArchiveCloser()
    {
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        try
        {
            archive.attr("close")();
        }
        catch (const py::error_already_set&)
        {
            PyErr_Clear();
        }
        PyErr_Restore(type, value, traceback);
    }

private:
    py::object archive;
};

// A member as lines of text: bytes pass through to the engine as they are, whatever their encoding.
py::object textMember(const py::object& archive, const char* name, const py::object& path)
{
    py::object file = archive.attr("extractfile")(name);
    if (file.is_none())
    {
        // Named as Python names files in its errors: by the repr, which any console can print.
        PyErr_Format(PyExc_KeyError, "member '%s' of %R is not a file", name, path.ptr());
        py::throw_error_already_set();
    }
    return py::import("io").attr("TextIOWrapper")(file, "utf-8", "surrogateescape", "");
}

// Hands each record of a csv reader to the handler as cells of bytes.
template <class Handler>
void feedRecords(const py::object& records, Handler&& handler)
{
    py::handle<> iterator(PyObject_GetIter(records.ptr()));
    std::vector<std::string> cells;
    while (PyObject* next = PyIter_Next(iterator.get()))
    {
        py::handle<> record(next);
        const Py_ssize_t count = PyList_Check(next) ? PyList_GET_SIZE(next) : 0;
        cells.resize(static_cast<std::size_t>(count));
        for (Py_ssize_t i = 0; i < count; ++i)
        {
            py::handle<> bytes(PyUnicode_AsEncodedString(PyList_GET_ITEM(next, i), "utf-8", "surrogateescape"));
            cells[static_cast<std::size_t>(i)].assign(PyBytes_AS_STRING(bytes.get()),
                                                      static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.get())));
        }
        handler(cells);
    }
    if (PyErr_Occurred())
        py::throw_error_already_set();
}

}

void logTileMapMessage(const std::string& message, LogFile::MessageLevel level)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessageToDefault(message, level);
}

TerrainReader::TerrainReader(std::string archiveName) : archiveName(std::move(archiveName))
{
}

std::int64_t TerrainReader::readInteger(std::string_view cell)
{
    std::string_view text = afterBlanks(cell);
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    const bool negative = !text.empty() && text[0] == '-';
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range)
        return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    return error == std::errc() ? value : 0;
}

std::uint32_t TerrainReader::readUnsigned(std::string_view cell)
{
    constexpr std::int64_t LARGEST = std::numeric_limits<std::uint32_t>::max();
    const std::int64_t value = readInteger(cell);
    if (value > LARGEST || value < -LARGEST)
        return static_cast<std::uint32_t>(LARGEST);
    // Converting to unsigned counts a negative number down from 2^32.
    return static_cast<std::uint32_t>(value);
}

double TerrainReader::readReal(std::string_view cell)
{
    // Decimal only: "nan", "inf" and hexadecimal are not numbers here.
    const std::string_view text = afterBlanks(cell);
    std::size_t end = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const std::size_t whole = digitsAt(text, end);
    end += whole;
    std::size_t fraction = 0;
    if (end < text.size() && text[end] == '.')
    {
        fraction = digitsAt(text, end + 1);
        if (whole + fraction > 0)
            end += 1 + fraction;
    }
    if (whole + fraction == 0)
        return 0.0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E'))
    {
        const std::size_t sign = end + 1 < text.size() && (text[end + 1] == '+' || text[end + 1] == '-') ? 1 : 0;
        if (const std::size_t exponent = digitsAt(text, end + 1 + sign))
            end += 1 + sign + exponent;
    }
    // from_chars takes no plus sign.
    const std::size_t start = text[0] == '+' ? 1 : 0;
    double value = 0.0;
    const auto [stop, error] = std::from_chars(text.data() + start, text.data() + end, value);
    return error == std::errc() && std::isfinite(value) ? value : 0.0;
}

void TerrainReader::mapRow(const std::vector<std::string>& cells)
{
    if (cells.empty() || refused)
        return;
    const std::uint64_t i = mapRows++;
    const bool typeRange = i == 0 || (i >= 1 && static_cast<std::int64_t>(i) <= typeCount);
    if (i == 0 && cells.size() >= HEADER_CELLS)
        header(cells);
    else if (typeRange && cells.size() >= TYPE_CELLS)
        typeRow(cells);
    else
        tileRow(cells, static_cast<std::int64_t>(i) - typeCount - 1);
}

void TerrainReader::header(const std::vector<std::string>& cells)
{
    const std::int64_t columns = readInteger(cells[3]), rows = readInteger(cells[4]), count = readInteger(cells[6]);
    if (!acceptHeader(columns, rows, count))
    {
        refused = true;
        return;
    }
    archive.textureName = cells[0];
    archive.columns = static_cast<std::uint32_t>(columns);
    archive.rows = static_cast<std::uint32_t>(rows);
    archive.batchSize = readUnsigned(cells[5]);
    typeCount = count;
    archive.terrain.assign(static_cast<std::size_t>(columns * rows), TileMap::TerrainCell());
}

bool TerrainReader::acceptHeader(std::int64_t columns, std::int64_t rows, std::int64_t types)
{
    const std::string prefix = "Error: Loading tile map " + archiveName + ": ";
    std::string problem;
    if (columns < 1 || rows < 1)
        problem = "the header's columns and rows must be positive, not " + std::to_string(columns) + " and " +
                  std::to_string(rows) + ".";
    else if (columns > static_cast<std::int64_t>(TileMap::MAX_TILES) ||
             rows > static_cast<std::int64_t>(TileMap::MAX_TILES) ||
             static_cast<std::uint64_t>(columns * rows) > TileMap::MAX_TILES)
        problem = std::to_string(columns) + " x " + std::to_string(rows) + " tiles are more than the " +
                  std::to_string(TileMap::MAX_TILES) + " a map may have.";
    else if (types < 0)
        problem = "the header's count of terrain types must not be negative, not " + std::to_string(types) + ".";
    if (!problem.empty())
        logTileMapMessage(prefix + problem, LogFile::ML_CRITICAL);
    return problem.empty();
}

void TerrainReader::typeRow(const std::vector<std::string>& cells)
{
    AxisAlignedBox box;
    if (readInteger(cells[0]) != 0)
        box = AxisAlignedBox(Vector2(readReal(cells[1]), readReal(cells[2])),
                             Vector2(readReal(cells[3]), readReal(cells[4])));
    types.push_back(box);
}

void TerrainReader::tileRow(const std::vector<std::string>& cells, std::int64_t y)
{
    const bool sized = !archive.terrain.empty();
    const std::size_t width = sized ? std::min<std::size_t>(cells.size(), archive.columns) : cells.size();
    for (std::size_t x = 0; x < width; ++x)
    {
        const std::int64_t type = readInteger(cells[x]);
        if (type < 0 || static_cast<std::uint64_t>(type) >= types.size())
        {
            ++undefinedTypes;
            continue;
        }
        if (!sized)
            logTileMapMessage("Attempted to modify terrain of a locked tile map", LogFile::ML_CRITICAL);
        else if (y >= 0 && y < archive.rows)
            archive.terrain[x * archive.rows + static_cast<std::size_t>(y)] = {nullptr, types[type]};
    }
}

void TerrainReader::entityRow(const std::vector<std::string>& cells)
{
    const std::uint64_t record = ++entityRecords;
    // After a refused header, whose refusal was said, nothing is read.
    if (cells.size() < ENTITY_CELLS || refused)
        return;
    const std::string prefix = "Warning: Loading tile map " + archiveName + ": entity row " + std::to_string(record);
    if (archive.terrain.empty())
    {
        logTileMapMessage(prefix + " comes before any header; ignored.", LogFile::ML_NORMAL);
        return;
    }
    const std::int64_t x = readInteger(cells[0]), y = readInteger(cells[1]);
    if (x < 0 || y < 0 || x >= archive.columns || y >= archive.rows)
    {
        logTileMapMessage(prefix + " places '" + cells[2] + "' on tile (" + std::to_string(x) + ", " +
                              std::to_string(y) + "), outside the " + std::to_string(archive.columns) + " x " +
                              std::to_string(archive.rows) + " map; ignored.",
                          LogFile::ML_NORMAL);
        return;
    }
    archive.terrain[static_cast<std::size_t>(x) * archive.rows + static_cast<std::size_t>(y)].entityTemplate =
        EntityTemplateManager::getSingleton().loadTemplate(cells[2], "");
}

TileMapArchive TerrainReader::finish()
{
    if (undefinedTypes != 0)
        logTileMapMessage("Warning: Loading tile map " + archiveName + ": " + std::to_string(undefinedTypes) +
                              " tiles name a terrain type that is not defined; they are left as they were.",
                          LogFile::ML_NORMAL);
    if (archive.terrain.empty())
        logTileMapMessage("Error: Loading tile map " + archiveName + " failed: no usable header; nothing changes.",
                          LogFile::ML_CRITICAL);
    else
        logTileMapMessage("Loaded tile map " + archiveName + ": " + std::to_string(archive.columns) + " x " +
                              std::to_string(archive.rows) + " tiles of " + std::to_string(types.size()) +
                              " terrain types.",
                          LogFile::ML_NORMAL);
    return std::move(archive);
}

void readTileMapArchive(const std::string& path, TerrainReader& reader)
{
    const py::object name(
        py::handle<>(PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size()))));
    py::object archive = py::import("tarfile").attr("open")(name, "r:bz2");
    const ArchiveCloser closer(archive);
    const py::object csvReader = py::import("csv").attr("reader");
    const py::object map = csvReader(textMember(archive, "map", name));
    const py::object entity = csvReader(textMember(archive, "entity", name));
    feedRecords(map, [&reader](const std::vector<std::string>& cells) { reader.mapRow(cells); });
    feedRecords(entity, [&reader](const std::vector<std::string>& cells) { reader.entityRow(cells); });
}

}
