#pragma once

// A command set of the simulated analyser as data: set commands and queries over a simulated state
// kept in instrument units (Hz, seconds), commands accepted without effect, and traces made from the
// state (ASCII, or REAL,32 in either byte order). A command the set does not know is the caller's
// to refuse, as an analyser queues -113 "Undefined header".

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orv::sim {

struct SimulatedAnalyzerState {
    double centerHz = 1.0e9;
    double spanHz = 1.0e8;
    double rbwHz = 1.0e5;
    double vbwHz = 1.0e5;
    double sweepSeconds = 0.1;
    int points = 101;
    bool ascii = true;
    bool swapped = true;        // REAL,32 little-endian ("SWAP"), else network order
    bool defaultSwapped = true; // the maker's byte order, which "*RST" restores
    double referenceLevel = 0.0;
    // The X-series state beyond the common parameters.
    bool preAmp = false;
    bool gated = false;
    int gateLengthUs = 0;
    int gateDelayUs = 0;
    bool dcCoupled = false;
    int operationCondition = 56; // waiting for the trigger
    // The R&S state beyond the common parameters.
    std::string rbwFilterType = "NORM";
    int preAmpGain = 15; // dB, read back while the pre-amplifier is on
    // The SIGLENT tracking-generator output.
    bool trackingOutput = false;
    // An error the last command raised beyond -113 "Undefined header" (-131 an unknown unit suffix),
    // for the simulator to queue; 0 when none.
    int pendingError = 0;

    // The trace value at point `i`: a ramp, so that a reader can check every point.
    static float TraceValue(int i) { return -80.0f + 0.01f * static_cast<float>(i); }
};

// Each ';'-separated part of a command in its canonical form (tests/sim/scpi/ScpiHeader.h) through
// `part`; the replies joined by ';' into one message; false at the first part it does not know.
// "*RST" also puts the data format back to ASCII in the maker's byte order.
bool HandleEachPart(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply,
                    const std::function<bool(std::string_view part, std::string& reply)>& part);

// The unit a parameter's value is in when it has no suffix.
enum class ValueUnit { None, Hertz, Seconds, Decibels };
// A parameter's number with an optional unit suffix (HZ, KHZ, MHZ, GHZ; S, MS, US, NS; DB), in the
// base unit; nullopt with the state's pending error set (-104 not a number, -131 an unknown suffix).
std::optional<double> ParseValue(SimulatedAnalyzerState& state, std::string_view text, ValueUnit unit);

// Whether `set` names a command set.
bool IsCommandSet(std::string_view set);

// Handles a command of the named set ("generic", "xseries", "rs", "fieldfox", "psa", "n9320b",
// "n9324c", "znd", "rigol", "siglent"); false when the set does
// not know it. `reply` gets the bytes to send (empty: none).
bool HandleSetCommand(std::string_view set, SimulatedAnalyzerState& state, std::string_view plain,
                      std::string& reply);

// The X-series set (XSeriesCommandSet.cpp): its own commands, then the generic set's parameters.
bool HandleXSeriesCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);
// The R&S set (RsCommandSet.cpp): its own commands, then the generic set's parameters.
bool HandleRsCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);
// The FieldFox set (FieldFoxCommandSet.cpp): levels in dBm, then the generic set's parameters.
bool HandleFieldFoxCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);
// The PSA set (PsaCommandSet.cpp): the E4440A's own forms, then the X-series set.
bool HandlePsaCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);
// The basic analyser sets (BsaCommandSet.cpp): "n9320b" with a raw trace, "n9324c" (`block`) with a
// "#" block; then the X-series set.
bool HandleBsaCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply, bool block);
// The R&S ZND set (ZndCommandSet.cpp): the network analyser's own forms, then the R&S set.
bool HandleZndCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);
// The RIGOL set (RigolCommandSet.cpp): frequencies in whole Hz, then the generic set's points and trace.
bool HandleRigolCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);
// The SIGLENT set (RigolCommandSet.cpp): the RIGOL set with its own set-up forms and a bare trace.
bool HandleSiglentCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply);

} // namespace orv::sim
