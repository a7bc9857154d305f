#pragma once

// The effect's wave shapes: one single-cycle table per shape, its display
// name, the selected shape, and the rate the tables are built for.
//
// Threads: loading happens once, on the thread that constructs the effect.
// After that, `selectShape` may run on any thread (a parameter setter), while
// the audio thread reads `currentTable`. The selection is a relaxed atomic
// index, so the two never tear each other's state. A new sample rate's tables
// are built on the host's thread (`prepareForRate`, from setSampleRate) and
// handed to the audio thread without a lock (`adoptPrepared`, at the start of
// the next block); the tables they replace go back to the host's thread and
// are freed there (`releaseReturned`).

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "realtime/HandoverSlot.h"

class PlatformServices;

class WaveShapeTable {
public:
  // The messages shown when loading fails, and their captions.
  static constexpr const char* kFolderMessage =
      "Brasklin cannot find the Brasklin folder. It should be in the VST-Plugins folder. "
      "If you don't have one, try puting the Brasklin folder in C:\\";
  static constexpr const char* kListMessage =
      "Brasklin cannot find the WaveShapes.txt file in the Brasklin folder. "
      "Maybe you did not extract it properly?";
  static constexpr const char* kTableMessage = "Can't find table file";
  static constexpr const char* kTableCaption = "";

  // Tables are built for this rate when loaded.
  static constexpr float kLoadRate = 44100.0f;
  // Rates the tables are rebuilt for; anything else (zero, negative, NaN,
  // absurd) leaves them as they are.
  static constexpr float kMinTableRate = 1000.0f;
  static constexpr float kMaxTableRate = 768000.0f;

  // Messages and folder questions go to `services`, which must outlive the store.
  explicit WaveShapeTable(PlatformServices& services);

  WaveShapeTable(const WaveShapeTable&) = delete;
  WaveShapeTable& operator=(const WaveShapeTable&) = delete;

  // Construction thread, once: finds the plug-in folder and reads the list
  // and every wave file it names. On any failure the user is told and
  // `loadFailed` is set; a list that names no shape is a failure too.
  void loadWaveShapes();

  // Construction thread: reads the wave file at `path` as shape `index`.
  // A file that cannot be read is reported and sets `loadFailed`; its table
  // stays, silent. Indices outside the list are ignored.
  void loadShapeTable(const std::string& path, int index);

  // Rebuilds every table for `sampleRate` now, by nearest-lower picking from
  // the tables as they stand. Returns false, changing nothing, for a rate
  // outside kMinTableRate..kMaxTableRate or when memory runs out. Allocates
  // and frees; for a store no audio thread is reading (the effect uses the
  // three operations below).
  bool resampleShapeTables(float sampleRate);

  // Host thread (the one that sets the sample rate). Withdraws any earlier
  // offer, then builds the tables for `sampleRate` from those the audio
  // thread is playing, exactly as resampleShapeTables would at the next
  // block, and offers them to the audio thread. Nothing is offered for a
  // rate the played tables are built for already, or one they cannot be
  // built for. So whatever the audio thread does meanwhile, once it has
  // taken what is offered its tables are built for the last rate set.
  // Returns false when the rate cannot be built for or memory ran out.
  bool prepareForRate(float sampleRate);
  // Audio thread, at the start of a block; no allocation, no lock, no
  // exception. Takes the offered tables, if any, and returns true then.
  bool adoptPrepared() noexcept;
  // Host thread: frees tables the audio thread has stopped playing.
  void releaseReturned();

  // Any thread: selects shape `index` (0 .. shapeCount - 1). Returns false,
  // changing nothing, for an index outside that range (none is inside it
  // while there are no shapes). Which shape a parameter value means is the
  // parameter's business, not the store's.
  bool selectShape(int32_t index);

  // Audio thread: the selected shape's table, `tableLength` entries;
  // null while there are no shapes.
  const float* currentTable() const;

  int currentShape() const { return currentShape_.load(std::memory_order_relaxed); }
  // Any thread: fixed once loading is done.
  int shapeCount() const { return shapeCount_; }
  bool loadFailed() const { return loadFailed_; }
  // Any thread: the rate the tables are built for (it also scales the delay).
  float tableRate() const { return tableRate_.load(std::memory_order_relaxed); }
  // Audio thread: entries in each table: the smallest whole number not
  // below `tableRate`, so every index below the rate can be read.
  int tableLength() const { return live_->length; }

  // Audio thread: shape `index`'s table, or null for an index out of range.
  const float* shapeTable(int index) const;
  // Any thread (names never change after loading).
  const std::vector<std::string>& shapeNames() const { return shapeNames_; }

private:
  // One table per shape, all of `length` entries, built for `rate`.
  struct TableSet {
    std::vector<std::unique_ptr<float[]>> tables;
    int length = 0;
    float rate = kLoadRate;
  };

  void fail(const char* text, const char* caption, bool okCancel);
  // The tables of `source` rebuilt for `sampleRate`; null when memory ran out.
  static std::unique_ptr<TableSet> rebuilt(const TableSet& source, float sampleRate);
  // Host thread: notes what the slot said about the last offer.
  void noteHandover(const HandoverSlot<TableSet>::Previous& previous);

  PlatformServices& services_;
  // The tables being played. Replaced only by the thread that plays them.
  std::unique_ptr<TableSet> live_ = std::make_unique<TableSet>();
  HandoverSlot<TableSet> prepared_;
  // Host thread: the set the audio thread plays as far as the host thread
  // knows (new tables are built from it), and the newest offer, not owned.
  const TableSet* playedAsKnown_ = live_.get();
  const TableSet* lastOffer_ = nullptr;
  std::vector<std::string> shapeNames_;
  std::atomic<std::int32_t> currentShape_{0};
  std::atomic<float> tableRate_{kLoadRate};
  // Kept apart from the vector so readers on other threads never touch it.
  int shapeCount_ = 0;
  bool loadFailed_ = false;
};
