// A library page's items in tree order, each beside the identity the direct-control lists know it by,
// as a flat list model (no node has children), and the tree that shows and reorders them.
#pragma once

#include "directcontrol/Itemlists.h"
#include "model/Gplcarcameraset.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QTreeView>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace skv::ui {

class TCameraSetModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // What a drag inside the tree carries: which model it left and the row it left from.
    static constexpr const char* kDragMimeType = "application/x-skyvane-tree-node";

    explicit TCameraSetModel(QObject* parent = nullptr);
    ~TCameraSetModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edited caption is not stored here: renameRequested hands it to the page, which checks it.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // Only a node of this model, onto a node (never onto empty space).
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // The row a drag of this model left from; -1 for any other data.
    int draggedRow(const QMimeData* data) const;

    int count() const { return static_cast<int>(Nodes.size()); }
    model::TGPLCarCameraSet& item(int row) const;
    // The first row whose caption is exactly this one (case-sensitive), skipping skipRow; -1 for none.
    int find(std::string_view caption, int skipRow = -1) const;

    int append(std::unique_ptr<model::TGPLCarCameraSet> item);
    // Appends the items in their order in one insertion; the row of the first.
    int append(std::vector<std::unique_ptr<model::TGPLCarCameraSet>> items);
    // The node keeps its place and takes the new item; the old one leaves the lists and is freed.
    void replace(int row, std::unique_ptr<model::TGPLCarCameraSet> item);
    void remove(int row);
    // Puts the node of row from before the node of row before; false when that changes nothing.
    bool moveBefore(int from, int before);
    void setCaption(int row, std::string caption);

    // In tree order, for the direct-control lists and for saving.
    std::vector<const directcontrol::TItemIdentity*> identities() const;
    std::vector<const model::TGPLCarCameraSet*> items() const;

signals:
    void renameRequested(int row, const QString& text);

private:
    struct Node {
        std::unique_ptr<model::TGPLCarCameraSet> item;
        std::optional<directcontrol::TItemIdentity> identity; // after the item, so it goes first
    };

    QByteArray dragToken() const;
    void countCaption(const std::string& caption, int delta);

    std::vector<Node> Nodes;
    // How many nodes carry each caption: a caption that is not here needs no search, so loading a
    // library checks each new caption at once instead of against every node before it.
    std::unordered_map<std::string, int> CaptionCounts;
    QIcon SetIcon, EffectIcon;
};

// The page's tree: a flat list of captions with their type icons, edited in place, reordered by
// dragging one node onto another.
class TCameraSetTree final : public QTreeView {
    Q_OBJECT
public:
    explicit TCameraSetTree(QWidget* parent = nullptr);

signals:
    // A node was dropped onto another one (never onto itself).
    void nodeDropped(int from, int target);

protected:
    // The drag only ever moves a node within this tree; nothing is removed when it ends.
    void startDrag(Qt::DropActions supportedActions) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace skv::ui
