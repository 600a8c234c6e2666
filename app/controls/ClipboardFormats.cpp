#include "app/controls/ClipboardFormats.h"

#include "app/controls/CClipboardObject.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "project/CClipboardHelper.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <exception>
#include <memory>
#include <utility>

namespace orv {
namespace {

// An overlay ID, 32 bits.
constexpr qsizetype kDrawModelBytes = 4;

DragRunner& InstalledRunner() {
    static DragRunner runner;
    return runner;
}

Qt::DropAction RunQtDrag(QObject& source, QMimeData* data, Qt::DropActions allowed, const QPixmap* picture) {
    QPointer<QDrag> drag = new QDrag(&source);
    drag->setMimeData(data);
    if (picture != nullptr && !picture->isNull()) {
        drag->setPixmap(*picture);
        drag->setHotSpot(QPoint(0, 0));
    }
    const Qt::DropAction action = drag->exec(allowed, Qt::CopyAction);
    if (drag != nullptr) {
        drag->deleteLater();
    }
    return action;
}

int32_t DropEffectOf(Qt::DropAction action) {
    switch (action) {
    case Qt::CopyAction:
        return 1;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        return 2;
    case Qt::LinkAction:
        return 4;
    default:
        return 0;
    }
}

bool Offers(const QMimeData& data, const std::string& format) {
    return !format.empty() && data.hasFormat(ClipboardFormatMimeType(format));
}

} // namespace

CClipboardObject::~CClipboardObject() = default;

QString ClipboardFormatMimeType(const std::string& format) {
    if (format == "CF_TEXT") {
        return QStringLiteral("text/plain");
    }
    return QStringLiteral("application/x-orvilant-") + QString::fromLatin1(format.c_str()).toLower();
}

bool OffersClipboardFormat(const QMimeData& data, const CClipboardHelper& helper) {
    for (const CClipboardHelper::FormatPair& pair : helper.GetFormats()) {
        if (Offers(data, pair.first) || Offers(data, pair.second)) {
            return true;
        }
    }
    return false;
}

bool IsAnyFormatAvailable(CClipboardHelper& helper, const QMimeData* data) {
    const bool available = data != nullptr && OffersClipboardFormat(*data, helper);
    helper.SetAnyFormatAvailable(available);
    return available;
}

bool IsAnyFormatAvailable(std::span<CClipboardHelper> helpers, const QMimeData* data) {
    for (CClipboardHelper& helper : helpers) {
        if (IsAnyFormatAvailable(helper, data)) {
            return true;
        }
    }
    return false;
}

void RegisterDropTarget(QWidget& widget, bool accept) {
    widget.setAcceptDrops(accept);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(&widget)) {
        area->viewport()->setAcceptDrops(accept);
    }
}

DragRunner InstallDragRunner(DragRunner runner) {
    return std::exchange(InstalledRunner(), std::move(runner));
}

bool DragSerializedObject(QObject& source, const std::string& format, const CClipboardObject* object,
                          int32_t* dropEffect, const QPixmap* picture) {
    if (object == nullptr || dropEffect == nullptr) {
        return false;
    }
    QByteArray bytes;
    try {
        QCharCounterDataWriter counter;
        object->StoreClipboardData(counter);
        const uint32_t size = counter.m_count;
        bytes.resize(static_cast<qsizetype>(size));
        QCharArrayDataWriter writer(bytes.data(), size);
        object->StoreClipboardData(writer);
        writer.Close();
    } catch (const std::exception&) {
        return false;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(ClipboardFormatMimeType(format), bytes);
    const DragRunner& runner = InstalledRunner();
    const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
    const Qt::DropAction action = runner ? runner(source, data.release(), allowed)
                                         : RunQtDrag(source, data.release(), allowed, picture);
    *dropEffect = DropEffectOf(action);
    return true;
}

bool PasteDrawModelObjects(CClipboardObject* target, const QMimeData* data) {
    if (data == nullptr) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
        if (data == nullptr) {
            return false;
        }
    }
    const QString mime = ClipboardFormatMimeType(kDrawModelFormat);
    if (target == nullptr || !data->hasFormat(mime)) {
        return false;
    }
    const QByteArray bytes = data->data(mime);
    if (bytes.size() < kDrawModelBytes) {
        return false;
    }
    try {
        QCharArrayDataReader reader(bytes.constData(), static_cast<uint32_t>(bytes.size()));
        target->LoadClipboardData(reader);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace orv
