#include "shapes/WaveShapeTable.h"

#include "platform/PlatformServices.h"
#include "shapes/PluginFolder.h"
#include "shapes/ShapeList.h"
#include "shapes/WaveFile.h"

#include <cmath>
#include <new>

WaveShapeTable::WaveShapeTable(PlatformServices& services) : services_(services) {}

void WaveShapeTable::fail(const char* text, const char* caption, bool okCancel)
{
    services_.showMessage(text, caption, okCancel ? MessageButtons::okCancel : MessageButtons::ok);
    loadFailed_ = true;
}

void WaveShapeTable::loadWaveShapes()
{
    shapeTables_.clear();
    shapeNames_.clear();
    shapeCount_ = 0;
    currentShape_.store(0, std::memory_order_relaxed);

    PathBuffer folder{};
    findPluginFolder(services_, folder);
    if (services_.folderIsMissing(folder.data())) {
        // The host's folder exists but holds no Brasklin folder: try the fixed one.
        if (!joinPath(folder, services_.fallbackFolder(), {}) || services_.folderIsMissing(folder.data())) {
            fail(kFolderMessage, nullptr, false);
            return;
        }
    }

    const char separator[] = {services_.pathSeparator(), '\0'};
    PathBuffer listPath{};
    std::optional<std::string> text;
    // A folder path too long to take the list's name cannot name the list.
    if (joinPath(listPath, folder.data(), separator, kShapeListFileName))
        text = readShapeList(listPath.data());
    if (!text) {
        fail(kListMessage, nullptr, false);
        return;
    }

    const std::vector<ShapeListEntry> entries = parseShapeList(*text);
    if (entries.empty()) {
        // Nothing to play: an empty effect would have no table to hand the
        // oscillator, so a list without shapes disables it like a missing list.
        fail(kListMessage, nullptr, false);
        return;
    }

    shapeTables_.resize(entries.size());
    shapeCount_ = static_cast<int>(entries.size());
    shapeNames_.reserve(entries.size());
    tableLength_ = kFileCycleLength;
    const std::string folderPrefix = std::string(folder.data()) + separator;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        shapeNames_.push_back(entries[k].displayName);
        // Every entry is tried, so each missing file is reported on its own.
        loadShapeTable(folderPrefix + entries[k].fileName, static_cast<int>(k));
    }
    tableRate_.store(kLoadRate, std::memory_order_relaxed);
}

void WaveShapeTable::loadShapeTable(const std::string& path, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= shapeTables_.size())
        return;
    // Zeroed, so a short or unreadable file leaves silence rather than garbage.
    auto table = std::make_unique<float[]>(kFileCycleLength);
    if (!readWaveFile(path, table.get()))
        fail(kTableMessage, kTableCaption, true);
    shapeTables_[static_cast<std::size_t>(index)] = std::move(table);
}

bool WaveShapeTable::resampleShapeTables(float sampleRate)
{
    if (!(sampleRate >= kMinTableRate && sampleRate <= kMaxTableRate) || shapeTables_.empty())
        return false;

    // The step is rounded to float on purpose: tables built this way are what
    // the effect has always played, so the picks stay where they were.
    const auto step = static_cast<float>(static_cast<double>(tableRate()) / static_cast<double>(sampleRate));
    const auto newLength = static_cast<int>(std::ceil(static_cast<double>(sampleRate)));
    const int lastOld = tableLength_ - 1;

    // Build every new table before touching the old ones, so running out of
    // memory part-way leaves the store exactly as it was.
    std::vector<std::unique_ptr<float[]>> rebuilt(shapeTables_.size());
    for (std::size_t shape = 0; shape < shapeTables_.size(); ++shape) {
        rebuilt[shape].reset(new (std::nothrow) float[static_cast<std::size_t>(newLength)]);
        if (!rebuilt[shape])
            return false;
        const float* const old = shapeTables_[shape].get();
        float* const table = rebuilt[shape].get();
        double position = 0.0;
        for (int j = 0; j < newLength; ++j) {
            // Nearest-lower pick without interpolation; the clamp only guards
            // against rounding at the very end of the cycle.
            const int pick = static_cast<int>(position);
            table[j] = old[pick < lastOld ? pick : lastOld];
            position += static_cast<double>(step);
        }
    }
    // Swap table by table, not the vectors: selectShape reads the vector's
    // size from other threads, so the vector itself must never change here.
    for (std::size_t shape = 0; shape < shapeTables_.size(); ++shape)
        shapeTables_[shape].swap(rebuilt[shape]);
    tableLength_ = newLength;
    tableRate_.store(sampleRate, std::memory_order_relaxed);
    return true;
}

bool WaveShapeTable::selectShape(float value)
{
    const int count = shapeCount();
    if (!(value >= 0.0f) || count == 0)
        return false;

    const auto spacing = static_cast<float>(1.0 / count);
    double bestDistance = 2.0;
    int best = 0;
    for (int i = 0; i < count; ++i) {
        const double distance = std::fabs(static_cast<double>(i) * static_cast<double>(spacing) - value);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    currentShape_.store(best, std::memory_order_relaxed);
    return true;
}

const float* WaveShapeTable::shapeTable(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= shapeTables_.size())
        return nullptr;
    return shapeTables_[static_cast<std::size_t>(index)].get();
}

const float* WaveShapeTable::currentTable() const
{
    return shapeTable(currentShape());
}
