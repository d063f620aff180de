// Library items on the system clipboard, as one item record of the library file under a private MIME
// type, so that they travel between pages and programs; nothing else is ever read as an item.
#pragma once

#include "model/Gplcarcameraset.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

namespace skv::ui {

class TItemClipboard : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kMimeType = "application/x-skyvane-camera-set";

    explicit TItemClipboard(QObject* parent = nullptr);

    // Puts the item's record on the clipboard, replacing what was there.
    void put(const model::TGPLCarCameraSet& item);
    // A new item read from the clipboard; nullptr when it holds no item or a damaged one.
    std::unique_ptr<model::TGPLCarCameraSet> take() const;

    // What the clipboard held when it last changed: a whole item (SelectedCamera -1) or one camera of
    // an item (SelectedCamera 0..4, the slot the camera was copied from).
    bool holdsItem() const { return Marker && *Marker == -1; }
    bool holdsCamera() const { return Marker && *Marker >= 0 && *Marker <= 4; }

signals:
    // The clipboard changed (by this program or another one); holdsItem and holdsCamera are current.
    void changed();

private:
    void readMarker();
    void reread();

    std::optional<std::int32_t> Marker; // SelectedCamera of the item on the clipboard
};

} // namespace skv::ui
