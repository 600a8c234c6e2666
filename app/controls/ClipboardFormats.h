#pragma once

// The program's clipboard and drag-and-drop formats as MIME types: a registered format name becomes
// "application/x-orvilant-" and the name in lower case ("MySpatialCompare" gives
// "application/x-orvilant-myspatialcompare"), and the text format "CF_TEXT" is "text/plain". The
// bytes under a format are what the carried object's serialisation writes (CClipboardObject).
//
// User-interface thread only.

#include <QString>
#include <Qt>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class QMimeData;
class QObject;
class QPixmap;
class QWidget;

namespace orv {

class CClipboardHelper;
class CClipboardObject;

inline constexpr const char* kDrawModelFormat = "CDRAWMODEL";
inline constexpr const char* kSpatialCompareFormat = "MySpatialCompare";

QString ClipboardFormatMimeType(const std::string& format);
// Whether the data offers one of the helper's formats (a pair's own format or its alternative);
// nothing is kept.
bool OffersClipboardFormat(const QMimeData& data, const CClipboardHelper& helper);
// The drag-enter question: the helper's formats in registration order, each pair's own format before
// its alternative, up to the first the data offers. False without data. The answer is kept in the
// helper as well.
bool IsAnyFormatAvailable(CClipboardHelper& helper, const QMimeData* data);
// The same question to each of a project's helpers in turn, up to the first that says yes.
bool IsAnyFormatAvailable(std::span<CClipboardHelper> helpers, const QMimeData* data);

// Makes the widget (for a scroll area, also its viewport, which receives the drag events) take
// drops, or no longer.
void RegisterDropTarget(QWidget& widget, bool accept);

// Runs a drag of the data from the source with the allowed actions and answers the action the drop
// took (Qt::IgnoreAction when nothing was dropped). The data is the drag's to delete.
using DragRunner = std::function<Qt::DropAction(QObject& source, QMimeData* data, Qt::DropActions allowed)>;
// Installs the runner (empty: the real QDrag) and answers the one it replaces (tests put it back).
DragRunner InstallDragRunner(DragRunner runner);

// Drags the object's bytes under the format, copy and move allowed, from the source. The drop
// effect is the action taken as its number (0 none, 1 copy, 2 move). True once the drag ran, also
// when it was cancelled; false (no drag) without an object or a drop-effect out value, or when the
// object cannot be serialised. A picture, when given, follows the pointer during a real drag.
bool DragSerializedObject(QObject& source, const std::string& format, const CClipboardObject* object,
                          int32_t* dropEffect, const QPixmap* picture = nullptr);

// Reads the "CDRAWMODEL" bytes of the data (null: of the clipboard) into the target. False, the
// target untouched, without a target, without that format, with fewer than the 4 bytes of an overlay
// ID, or when the target's reading fails; longer data is read only as far as the target reads.
bool PasteDrawModelObjects(CClipboardObject* target, const QMimeData* data);

} // namespace orv
