#pragma once

// An object that travels through a drag or the clipboard as exactly the bytes its serialisation
// writes: no header, class name or length of its own.

namespace orv {

class QDataReader;
class QDataWriter;

class CClipboardObject {
public:
    CClipboardObject() = default;
    CClipboardObject(const CClipboardObject&) = delete;
    CClipboardObject& operator=(const CClipboardObject&) = delete;
    virtual ~CClipboardObject();

    virtual void StoreClipboardData(QDataWriter& writer) const = 0;
    // Reads what StoreClipboardData wrote; a short source throws the reader's exception, and the
    // object keeps what it held.
    virtual void LoadClipboardData(QDataReader& reader) = 0;
};

} // namespace orv
