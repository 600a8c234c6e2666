#pragma once

// The IPv4 address entry of the dialogs: four numeric fields of up to three digits separated by dots.
// Typing a third digit checks the field and moves on; "." and space move on as well; the arrows
// cross into the neighbouring field at the text's ends. The control answers its three messages
// (get address, set address, set read-only) through its message target for callers that send them.

#include "app/controls/CDataExchange.h"
#include "platform/msg/MessageTarget.h"

#include <QFrame>
#include <QLineEdit>

#include <array>
#include <cstdint>
#include <functional>

namespace orv {

class CIPAddrCtl;

// What a get-address call fills: the four field values, first field first, and the 1-based number
// of the field that failed (0 on success; the four values then stay 0).
struct IPAddrRecord {
    std::array<uint8_t, 4> address{};
    uint32_t failedField = 0;
};

class CIPAddrEdit : public QLineEdit {
public:
    CIPAddrEdit(CIPAddrCtl& control, int id);

    int GetId() const { return m_id; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CIPAddrCtl& m_control;
    int m_id;
};

class CIPAddrCtl : public QFrame, public MessageTarget {
public:
    static constexpr uint32_t kGetAddress = 1024;  // wParam: show errors; lParam: IPAddrRecord*
    static constexpr uint32_t kSetAddress = 1025;  // lParam: const std::array<uint8_t, 4>*
    static constexpr uint32_t kSetReadOnly = 1026; // wParam: the flag
    // Creation style bit: values above 255 are not refused while typing.
    static constexpr uint32_t kNoRangeCheck = 0x0001;

    explicit CIPAddrCtl(QWidget* parent = nullptr, uint32_t style = 0);

    // Reads the four fields. On failure nothing of the address is handed out: the failing field is
    // focused with its text selected, and with `showErrors` the reason is shown in a box.
    bool GetAddress(bool showErrors, IPAddrRecord& record);
    void SetAddress(const std::array<uint8_t, 4>& address);
    void SetReadOnly(bool readOnly);

    bool IsReadOnly() const { return m_readOnly; }
    bool HasNoRangeCheck() const { return m_noRangeCheck; }
    // Fields 1 to 4.
    CIPAddrEdit& Field(int id) const;
    QRect FieldRect(int id) const;
    QRect DotRect(int index) const; // dots 1 to 3, dot i after field i

    // The keys that a field hands to its control.
    void HandleFieldKey(CIPAddrEdit& field, int key, bool shift);
    // A field has just taken a character: three digits check the value and move on.
    void FieldTookCharacter(CIPAddrEdit& field);
    // Whether the field was entered by a third digit and has taken no key since; asking ends it.
    bool TakeAutoAdvance(const CIPAddrEdit& field);

    // The sound of a refused key; tests replace it to count the refusals.
    static void SetBeepFunction(std::function<void()> beep);
    static void Beep();

protected:
    int64_t HandleMessage(Message& message) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LayoutFields();
    void ApplyFieldBackground();
    void FocusField(int id, bool selectAll);
    void ShowRangeError(int value) const;
    void MoveToDialogTabStop(bool forward);

    std::array<CIPAddrEdit*, 4> m_fields{};
    std::array<QRect, 4> m_fieldRects;
    std::array<QRect, 3> m_dotRects;
    bool m_readOnly = false;
    bool m_noRangeCheck = false;
    int m_autoAdvancedTo = 0; // the field a third digit moved to, until its next key
};

// Loads the four bytes into the control, or saves them out of it with errors shown; a failed save
// marks the exchange as failing on the control and leaves `address` as it was.
void DDX_IPAddr(CDataExchange& exchange, CIPAddrCtl& control, std::array<uint8_t, 4>& address);

} // namespace orv
