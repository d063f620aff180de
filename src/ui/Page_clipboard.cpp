#include "ui/Page_clipboard.h"

#include "model/Camerasetstream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace skv::ui {

TItemClipboard::TItemClipboard(QObject* parent) : QObject(parent) {
    // Queued: the clipboard is read once its owner has finished changing it.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TItemClipboard::reread,
            Qt::QueuedConnection);
    readMarker();
}

void TItemClipboard::put(const model::TGPLCarCameraSet& item) {
    const std::vector<std::uint8_t> record = model::cameraSetRecord(item);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), QByteArray(reinterpret_cast<const char*>(record.data()),
                                                             static_cast<qsizetype>(record.size())));
    QGuiApplication::clipboard()->setMimeData(data);
    // Known at once, not only when the queued change arrives: the actions follow the copy directly.
    Marker = item.SelectedCamera;
    emit changed();
}

std::unique_ptr<model::TGPLCarCameraSet> TItemClipboard::take() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QString::fromLatin1(kMimeType))) return nullptr;
    const QByteArray bytes = data->data(QString::fromLatin1(kMimeType));
    try {
        return model::readSingleCameraSet({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                           static_cast<std::size_t>(bytes.size())});
    } catch (const stream::StreamError&) {
        return nullptr;
    }
}

void TItemClipboard::readMarker() {
    const auto item = take();
    Marker = item ? std::optional<std::int32_t>(item->SelectedCamera) : std::nullopt;
}

void TItemClipboard::reread() {
    readMarker();
    emit changed();
}

} // namespace skv::ui
