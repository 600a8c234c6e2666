#pragma once

#include "core/QCorrectionSet.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One entry of a correction list file: the correction file of one frequency row.
struct QCorrectionListEntry {
    std::string m_fileName;
    int32_t m_id = 0;
    float m_frequency = 0.0f;
};

// A set chosen for a scan head: its number (0 when there is none) and the set itself, taken in one
// step so that a load by another thread in between cannot hand over another head's factors.
struct QChosenCorrectionSet {
    int32_t m_number = 0;
    std::shared_ptr<const QCorrectionSet> m_set;
};

// The application-wide store of amplitude correction factors. It holds up to three correction sets,
// one per scan head used, each with up to 200 frequency rows of up to 4096 per-cell factors (dB),
// read on demand from application folder/"correctiondata"/<scan head>/. The cell of (row, column)
// of the scan head is row x columns + column.
//
// Sets are numbered 1 to 3. Used from the user-interface thread and from the scan worker: loading
// and selecting are serialised by a load lock; each loaded set is an immutable QCorrectionSet
// published whole under a short lock of its own, so a look-up never waits for a load and works on
// one whole set (the old or the new one, never a mixture), which stays alive while it is held.
// Messages about files that cannot be opened are shown after the load lock is released: the
// user-interface thread may need the store while the box waits for it.
class QCorrectionData {
public:
    static constexpr int32_t kSetCount = 3;
    static constexpr int32_t kMaxRows = 200;
    static constexpr int32_t kMaxCells = 4096;
    static constexpr size_t kMaxFileNameLength = 29;
    // The name of a set that holds nothing.
    static constexpr const char* kEmptySetName = "*******";

    // Clears every set and reads "RBWTime.txt".
    QCorrectionData();
    QCorrectionData(const QCorrectionData&) = delete;
    QCorrectionData& operator=(const QCorrectionData&) = delete;

    // Makes the set loaded for the scan head current. False when the scan-head records do not know
    // the name or no set was loaded for it. A known name fixes the cell count of later loads.
    bool SelectSet(const std::string& scanHeadName);
    // Loads the set of a scan head from its folder into the next free set (the first two heads get
    // sets 1 and 2, every later one replaces set 3). The cell count comes from the scan-head record
    // found by SelectSet; the argument is kept for callers and not used. On failure the set is left
    // empty (its name kEmptySetName, no rows) and its slot is used by the next load.
    bool LoadCorrectionSet(int32_t cellCount, const std::string& folder, const std::string& scanHeadName);
    // Reads a list file ("correctionfile.txt") into the lowest frequency, row count and list
    // entries of the set (its rows then hold no factors until a load); on failure nothing changes.
    bool ParseCorrectionList(const std::string& path, int32_t set);
    // Reads count factors from a correction file into out[0..count-1]; on failure nothing changes.
    bool ReadCorrectionFile(const std::string& path, int32_t count, std::span<float> out);
    // Reads "RBWTime.txt" of the correction folder; false (the map empty) when it cannot be read.
    bool LoadRbwTimes();

    // The sequence every user follows before computing factors: take the application's scan-head
    // text up to its first comma, and select (loading on first use) the set of that head. Answers
    // the set number, or 0 when there is no set: no list file, an unknown head, a name that cannot
    // name a folder, or a failed load.
    int32_t ChooseSetForCurrentScanHead();
    int32_t ChooseSet(std::string_view scanHeadText);
    // The same, handing over the chosen set itself: what a user that computes factors should hold.
    QChosenCorrectionSet TakeSetForCurrentScanHead();
    QChosenCorrectionSet TakeSet(std::string_view scanHeadText);
    // The set now published under a number (an empty set for a number outside 1-3); never null.
    std::shared_ptr<const QCorrectionSet> GetSet(int32_t set) const;

    // Tells the user that a correction or compensation file exists but cannot be opened.
    static void ShowCannotOpenMessage();

    // Application folder/"correctiondata"/ (with the separator at the end).
    static std::string GetCorrectionFolder();
    // The folder of a scan head, or an empty text when the name could leave the correction folder
    // (it is empty, or holds "/" or "..").
    static std::string GetScanHeadFolder(std::string_view scanHeadName);

    // One look-up on the set now published; a user looking up many factors takes the set once
    // (GetSet, TakeSet) and asks it.
    QCorrectionBracket FindPosition(int32_t set, float f) const { return GetSet(set)->FindPosition(f); }
    float GetFactorAt(int32_t set, int32_t cell, int32_t lower, int32_t upper, float f) const {
        return GetSet(set)->GetFactorAt(cell, lower, upper, f);
    }
    float GetFactorAt(int32_t set, int32_t cell, const QCorrectionBracket& bracket, float f) const {
        return GetFactorAt(set, cell, bracket.m_lower, bracket.m_upper, f);
    }

    int32_t GetCurrentSet() const { return m_CurrentSet.load(); }
    int32_t GetCellCount() const { return m_CellCount.load(); }
    // 0 for a set number outside 1-3.
    int32_t GetRowCount(int32_t set) const { return GetSet(set)->GetRowCount(); }
    float GetLowestFrequency(int32_t set) const { return GetSet(set)->GetLowestFrequency(); }
    // The factor of row r, cell k as read (0.0 outside the set).
    float GetFactor(int32_t set, int32_t row, int32_t cell) const {
        return GetSet(set)->GetFactor(row, cell);
    }
    std::string GetSetName(int32_t set) const;
    QCorrectionListEntry GetListEntry(int32_t index) const;
    std::map<float, float> GetRbwTimes() const;

    // The switches of the display preferences: whether spectral and spatial amplitudes are shown
    // corrected, and the spatial level (tenths) at or below which cells are shown uncorrected. They
    // belong to the application, not to one store, and are read by the scan workers.
    static bool IsSpectralCompensationOn() { return s_spectralCompensationOn.load(); }
    static void SetSpectralCompensationOn(bool on) { s_spectralCompensationOn.store(on); }
    static bool IsSpatialCompensationOn() { return s_spatialCompensationOn.load(); }
    static void SetSpatialCompensationOn(bool on) { s_spatialCompensationOn.store(on); }
    static float GetSpatialCompensationThreshold() { return s_spatialCompensationThreshold.load(); }
    static void SetSpatialCompensationThreshold(float level) { s_spatialCompensationThreshold.store(level); }
    // Which switch applies to a level range that serves both views: set, the spectral switch;
    // clear, the spatial switch. The automatic spatial range clears it before it asks.
    static bool IsSpectralSpatialMode() { return s_spectralSpatialMode.load(); }
    static void SetSpectralSpatialMode(bool spectral) { s_spectralSpatialMode.store(spectral); }

    // Set the first time in a run that scan data find no correction list, so that the user hears of
    // it once, not once per scan or per call. Answers whether this call set it (it was clear). A
    // run clears it.
    static bool SetMissingListNotice() { return !s_missingListNotice.exchange(true); }
    static bool IsMissingListNoticeSet() { return s_missingListNotice.load(); }
    static void ClearMissingListNotice() { s_missingListNotice.store(false); }
    // Whether the scan head's folder lacks its list file "correctionfile.txt" (also for a name that
    // cannot name a folder).
    static bool IsListFileMissing(std::string_view scanHeadName);

private:
    static bool IsSetNumber(int32_t set) { return set >= 1 && set <= kSetCount; }
    // What a load found that the user must hear of once the load lock is free.
    struct Messages {
        bool m_cannotOpen = false;
    };
    static void Show(const Messages& messages);
    bool SelectSetLocked(const std::string& scanHeadName);
    bool LoadCorrectionSetLocked(const std::string& folder, const std::string& scanHeadName,
                                 Messages& messages);
    bool ReadFactors(const std::string& path, int32_t count, std::span<float> out, Messages& messages);
    void Publish(int32_t set, std::shared_ptr<const QCorrectionSet> block);

    // Held across a whole load or selection (file reading included).
    mutable std::mutex m_loadLock;
    // Held only to read or replace a published set.
    mutable std::mutex m_publishLock;
    std::shared_ptr<const QCorrectionSet> m_Sets[kSetCount];
    std::atomic<int32_t> m_CurrentSet{0};
    // The head found by the last selection: the cells read per correction file, and its columns.
    std::atomic<int32_t> m_CellCount{0};
    std::atomic<int32_t> m_ColumnCount{0};
    int32_t m_NextSetSlot = 1;
    // The entries of the list read last, and the pairs of "RBWTime.txt" (under m_publishLock).
    std::vector<QCorrectionListEntry> m_ListEntries;
    std::map<float, float> m_RbwTimes;

    static std::atomic<bool> s_spectralCompensationOn;
    static std::atomic<bool> s_spatialCompensationOn;
    static std::atomic<float> s_spatialCompensationThreshold;
    static std::atomic<bool> s_spectralSpatialMode;
    static std::atomic<bool> s_missingListNotice;
};

// The one store, made on first use (which reads "RBWTime.txt").
QCorrectionData& GetCorrectionData();
// Frees the store (the main frame, at exit); a later GetCorrectionData makes a new, empty one.
void DestroyCorrectionData();

} // namespace orv
