#pragma once

// The effect's wave shapes: one single-cycle table per shape, its display
// name, the selected shape, and the rate the tables are built for.
//
// Threads: loading happens once, on the thread that constructs the effect.
// After that, `selectShape` may run on any thread (a parameter setter), while
// the audio thread reads `currentTable` and runs `resampleShapeTables`. The
// selection is a relaxed atomic index, so the two never tear each other's
// state; the tables themselves are replaced only on the audio thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    // Audio thread: rebuilds every table for `sampleRate` by nearest-lower
    // picking from the tables as they stand. Returns false, changing nothing,
    // for a rate outside kMinTableRate..kMaxTableRate or when memory runs out.
    // Allocates; the effect calls it only when the host's rate has changed.
    bool resampleShapeTables(float sampleRate);

    // Any thread: selects the shape whose position i / shapeCount is nearest
    // to `value` (ties to the lower index). Returns false, changing nothing,
    // when `value` is below 0, NaN, or there are no shapes.
    bool selectShape(float value);

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
    int tableLength() const { return tableLength_; }

    // Audio thread: shape `index`'s table, or null for an index out of range.
    const float* shapeTable(int index) const;
    // Any thread (names never change after loading).
    const std::vector<std::string>& shapeNames() const { return shapeNames_; }

private:
    void fail(const char* text, const char* caption, bool okCancel);

    PlatformServices& services_;
    std::vector<std::unique_ptr<float[]>> shapeTables_;
    std::vector<std::string> shapeNames_;
    std::atomic<std::int32_t> currentShape_{0};
    std::atomic<float> tableRate_{kLoadRate};
    int tableLength_ = 0;
    // Kept apart from the vector so readers on other threads never touch it.
    int shapeCount_ = 0;
    bool loadFailed_ = false;
};
