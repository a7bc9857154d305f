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
  live_->tables.clear();
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
  if (joinPath(listPath, folder.data(), separator, kShapeListFileName)) text = readShapeList(listPath.data());
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

  live_->tables.resize(entries.size());
  shapeCount_ = static_cast<int>(entries.size());
  shapeNames_.reserve(entries.size());
  live_->length = kFileCycleLength;
  const std::string folderPrefix = std::string(folder.data()) + separator;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    shapeNames_.push_back(entries[k].displayName);
    // Every entry is tried, so each missing file is reported on its own.
    loadShapeTable(folderPrefix + entries[k].fileName, static_cast<int>(k));
  }
  live_->rate = kLoadRate;
  tableRate_.store(kLoadRate, std::memory_order_relaxed);
}

void WaveShapeTable::loadShapeTable(const std::string& path, int index)
{
  if (index < 0 || static_cast<std::size_t>(index) >= live_->tables.size()) return;
  // Zeroed, so a short or unreadable file leaves silence rather than garbage.
  auto table = std::make_unique<float[]>(kFileCycleLength);
  if (!readWaveFile(path, table.get())) fail(kTableMessage, kTableCaption, true);
  live_->tables[static_cast<std::size_t>(index)] = std::move(table);
}

namespace {

bool isTableRate(float sampleRate)
{
  return sampleRate >= WaveShapeTable::kMinTableRate && sampleRate <= WaveShapeTable::kMaxTableRate;
}

}  // namespace

std::unique_ptr<WaveShapeTable::TableSet> WaveShapeTable::rebuilt(const TableSet& source, float sampleRate)
{
  // The step is rounded to float on purpose: tables built this way are what
  // the effect has always played, so the picks stay where they were.
  const auto step = static_cast<float>(static_cast<double>(source.rate) / static_cast<double>(sampleRate));
  const auto newLength = static_cast<int>(std::ceil(static_cast<double>(sampleRate)));
  const int lastOld = source.length - 1;

  std::unique_ptr<TableSet> set(new (std::nothrow) TableSet);
  if (!set) return nullptr;
  try {
    set->tables.resize(source.tables.size());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  set->length = newLength;
  set->rate = sampleRate;
  for (std::size_t shape = 0; shape < source.tables.size(); ++shape) {
    set->tables[shape].reset(new (std::nothrow) float[static_cast<std::size_t>(newLength)]);
    if (!set->tables[shape]) return nullptr;
    const float* const old = source.tables[shape].get();
    float* const table = set->tables[shape].get();
    double position = 0.0;
    for (int j = 0; j < newLength; ++j) {
      // Nearest-lower pick without interpolation; the clamp only guards
      // against rounding at the very end of the cycle.
      const int pick = static_cast<int>(position);
      table[j] = old[pick < lastOld ? pick : lastOld];
      position += static_cast<double>(step);
    }
  }
  return set;
}

bool WaveShapeTable::resampleShapeTables(float sampleRate)
{
  if (!isTableRate(sampleRate) || live_->tables.empty()) return false;
  // Build everything before touching the tables played, so running out of
  // memory part-way leaves the store exactly as it was.
  std::unique_ptr<TableSet> set = rebuilt(*live_, sampleRate);
  if (!set) return false;
  // Anything offered was built from the tables replaced here: drop it.
  noteHandover(prepared_.withdraw());
  lastOffer_ = nullptr;
  live_ = std::move(set);
  playedAsKnown_ = live_.get();
  tableRate_.store(sampleRate, std::memory_order_relaxed);
  return true;
}

void WaveShapeTable::noteHandover(const HandoverSlot<TableSet>::Previous& previous)
{
  // A returned set means the audio thread plays the last offer now; the
  // returned set itself goes with `previous`.
  if (previous.lastOfferTaken && lastOffer_ != nullptr) {
    playedAsKnown_ = lastOffer_;
    lastOffer_ = nullptr;
  }
}

bool WaveShapeTable::prepareForRate(float sampleRate)
{
  // Withdraw first. Once the slot is empty the audio thread has nothing to
  // take, so the set it plays is settled: deciding from it, and building from
  // it, cannot be overtaken by a take in the meantime. (Deciding first and
  // withdrawing afterwards could free the very set just read, and could keep
  // tables for a rate the host has left.)
  HandoverSlot<TableSet>::Previous previous = prepared_.withdraw();
  noteHandover(previous);
  lastOffer_ = nullptr;
  // An offer the audio thread never took was built from the set it still
  // plays: it serves again when the host sets its rate once more.
  std::unique_ptr<TableSet> untaken = previous.lastOfferTaken ? nullptr : std::move(previous.object);

  const TableSet& played = *playedAsKnown_;
  if (!isTableRate(sampleRate) || played.tables.empty()) return false;
  // The audio thread rebuilds only for a rate its tables are not built for.
  if (sampleRate == played.rate) return true;
  std::unique_ptr<TableSet> set =
      untaken && untaken->rate == sampleRate ? std::move(untaken) : rebuilt(played, sampleRate);
  if (!set) return false;
  lastOffer_ = set.get();
  // The slot is empty: only this thread fills it.
  (void)prepared_.offer(std::move(set));
  return true;
}

bool WaveShapeTable::adoptPrepared() noexcept
{
  TableSet* const next = prepared_.take(live_.get());
  if (next == nullptr) return false;
  // The slot owns the old set now; the host thread frees it.
  static_cast<void>(live_.release());
  live_.reset(next);
  tableRate_.store(next->rate, std::memory_order_relaxed);
  return true;
}

void WaveShapeTable::releaseReturned() { noteHandover(prepared_.reclaim()); }

bool WaveShapeTable::selectShape(int32_t index)
{
  if (index < 0 || index >= shapeCount()) return false;
  currentShape_.store(index, std::memory_order_relaxed);
  return true;
}

const float* WaveShapeTable::shapeTable(int index) const
{
  if (index < 0 || static_cast<std::size_t>(index) >= live_->tables.size()) return nullptr;
  return live_->tables[static_cast<std::size_t>(index)].get();
}

const float* WaveShapeTable::currentTable() const { return shapeTable(currentShape()); }
