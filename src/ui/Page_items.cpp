#include "ui/Page_items.h"

#include "ui/Icons.h"
#include "ui/Qtext.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>

#include <algorithm>
#include <stdexcept>

namespace skv::ui {

TCameraSetModel::TCameraSetModel(QObject* parent)
    : QAbstractListModel(parent), SetIcon(cameraSetIcon()), EffectIcon(effectIcon()) {}

TCameraSetModel::~TCameraSetModel() = default;

int TCameraSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant TCameraSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const model::TGPLCarCameraSet& set = item(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return toQString(set.Caption);
    case Qt::DecorationRole:
        return set.isEffect() ? EffectIcon : SetIcon;
    default:
        return {};
    }
}

Qt::ItemFlags TCameraSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags; // empty space takes no drop
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
}

bool TCameraSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) return false;
    emit renameRequested(index.row(), value.toString());
    return false;
}

QStringList TCameraSetModel::mimeTypes() const {
    return {QString::fromLatin1(kDragMimeType)};
}

// Names this model in this process, so that a drag from another page or program is never taken.
QByteArray TCameraSetModel::dragToken() const {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(this));
}

QMimeData* TCameraSetModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.size() != 1 || !indexes.front().isValid()) return nullptr;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kDragMimeType),
                  dragToken() + ' ' + QByteArray::number(indexes.front().row()));
    return data;
}

int TCameraSetModel::draggedRow(const QMimeData* data) const {
    if (!data) return -1;
    const QList<QByteArray> parts = data->data(QString::fromLatin1(kDragMimeType)).split(' ');
    if (parts.size() != 2 || parts[0] != dragToken()) return -1;
    bool ok = false;
    const int row = parts[1].toInt(&ok);
    return ok && row >= 0 && row < count() ? row : -1;
}

bool TCameraSetModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                      const QModelIndex& parent) const {
    return parent.isValid() && draggedRow(data) >= 0;
}

model::TGPLCarCameraSet& TCameraSetModel::item(int row) const {
    if (row < 0 || row >= count()) throw std::out_of_range("no such node in the tree");
    return *Nodes[static_cast<std::size_t>(row)].item;
}

int TCameraSetModel::find(std::string_view caption, int skipRow) const {
    const auto counted = CaptionCounts.find(std::string(caption));
    if (counted == CaptionCounts.end()) return -1;
    for (int row = 0; row < count(); ++row)
        if (row != skipRow && Nodes[static_cast<std::size_t>(row)].item->Caption == caption) return row;
    return -1;
}

void TCameraSetModel::countCaption(const std::string& caption, int delta) {
    const auto counted = CaptionCounts.try_emplace(caption, 0).first;
    counted->second += delta;
    if (counted->second <= 0) CaptionCounts.erase(counted);
}

int TCameraSetModel::append(std::unique_ptr<model::TGPLCarCameraSet> item) {
    std::vector<std::unique_ptr<model::TGPLCarCameraSet>> one;
    one.push_back(std::move(item));
    return append(std::move(one));
}

int TCameraSetModel::append(std::vector<std::unique_ptr<model::TGPLCarCameraSet>> items) {
    const int first = count();
    if (items.empty()) return first;
    beginInsertRows({}, first, first + static_cast<int>(items.size()) - 1);
    Nodes.reserve(Nodes.size() + items.size());
    for (auto& item : items) {
        countCaption(item->Caption, +1);
        Node node;
        node.item = std::move(item);
        node.identity.emplace(*node.item);
        Nodes.push_back(std::move(node));
    }
    endInsertRows();
    return first;
}

void TCameraSetModel::replace(int row, std::unique_ptr<model::TGPLCarCameraSet> item) {
    Node& node = Nodes.at(static_cast<std::size_t>(row));
    countCaption(node.item->Caption, -1);
    countCaption(item->Caption, +1);
    node.identity.reset();
    node.item = std::move(item);
    node.identity.emplace(*node.item);
    emit dataChanged(index(row), index(row));
}

void TCameraSetModel::remove(int row) {
    if (row < 0 || row >= count()) return;
    countCaption(item(row).Caption, -1);
    beginRemoveRows({}, row, row);
    Nodes.erase(Nodes.begin() + row);
    endRemoveRows();
}

bool TCameraSetModel::moveBefore(int from, int before) {
    if (from < 0 || from >= count() || before < 0 || before >= count()) return false;
    if (before == from || before == from + 1) return false; // it stands there already
    if (!beginMoveRows({}, from, from, {}, before)) return false;
    const auto at = [this](int row) { return Nodes.begin() + row; };
    if (from < before)
        std::rotate(at(from), at(from + 1), at(before));
    else
        std::rotate(at(before), at(from), at(from + 1));
    endMoveRows();
    return true;
}

void TCameraSetModel::setCaption(int row, std::string caption) {
    countCaption(item(row).Caption, -1);
    countCaption(caption, +1);
    item(row).Caption = std::move(caption);
    emit dataChanged(index(row), index(row));
}

std::vector<const directcontrol::TItemIdentity*> TCameraSetModel::identities() const {
    std::vector<const directcontrol::TItemIdentity*> out;
    out.reserve(Nodes.size());
    for (const Node& node : Nodes)
        out.push_back(&*node.identity);
    return out;
}

std::vector<const model::TGPLCarCameraSet*> TCameraSetModel::items() const {
    std::vector<const model::TGPLCarCameraSet*> out;
    out.reserve(Nodes.size());
    for (const Node& node : Nodes)
        out.push_back(node.item.get());
    return out;
}

TCameraSetTree::TCameraSetTree(QWidget* parent) : QTreeView(parent) {
    header()->setObjectName(QStringLiteral("hdrCameraSets"));
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // A drop lands on a node, never between two: the indicator frames the node it goes before.
    setDragDropOverwriteMode(true);
}

void TCameraSetTree::startDrag(Qt::DropActions) {
    const QModelIndex dragged = currentIndex();
    if (!dragged.isValid()) return;
    QMimeData* data = model()->mimeData({dragged});
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(qvariant_cast<QIcon>(dragged.data(Qt::DecorationRole)).pixmap(16));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void TCameraSetTree::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    auto* items = qobject_cast<TCameraSetModel*>(model());
    const int from = items ? items->draggedRow(event->mimeData()) : -1;
    const QModelIndex target = indexAt(event->position().toPoint());
    if (from < 0 || !target.isValid()) return event->ignore();
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (target.row() != from) emit nodeDropped(from, target.row());
}

} // namespace skv::ui
