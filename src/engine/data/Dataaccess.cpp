// Datasets, data sources, field links and the in-memory dataset.
#include "engine/data/Dataaccess.h"

#include "engine/base/Text.h"

#include <algorithm>

namespace skv::engine {

Variant TField::Value() const {
    return DataSet_.GetFieldValue(Index_);
}

bool TField::CanModify() const {
    return !ReadOnly && DataSet_.CanModify();
}

void TField::SetValue(const Variant& V) {
    if (!CanModify()) throw EDatabaseError("Field '" + FieldName + "' cannot be modified");
    const TDataSetState s = DataSet_.State();
    if (s != TDataSetState::dsEdit && s != TDataSetState::dsInsert)
        throw EDatabaseError("Dataset not in edit or insert mode");
    DataSet_.SetFieldValue(Index_, V);
    DataSet_.RecordChanged(this);
}

TDataSet::~TDataSet() {
    // Sources that show this dataset forget it.
    const std::vector<TDataSource*> sources = Sources_;
    for (TDataSource* s : sources)
        s->SetDataSet(nullptr);
}

TField* TDataSet::FindField(const std::string& FieldName) const {
    for (const auto& f : Fields_)
        if (CompareNames(f->FieldName, FieldName) == 0) return f.get();
    return nullptr;
}

TField& TDataSet::FieldByName(const std::string& FieldName) const {
    if (TField* f = FindField(FieldName)) return *f;
    throw EDatabaseError("Field '" + FieldName + "' not found");
}

TField& TDataSet::AddField(const std::string& FieldName) {
    if (Active()) throw EDatabaseError("Cannot add a field to an open dataset");
    if (FieldName.empty() || FindField(FieldName)) throw EDatabaseError("Invalid or duplicate field name");
    Fields_.push_back(std::make_unique<TField>(*this, FieldName, FieldCount()));
    return *Fields_.back();
}

void TDataSet::Open() {
    if (Active()) return;
    State_ = TDataSetState::dsBrowse;
    MoveTo(RecordCount() > 0 ? 0 : -1);
}

void TDataSet::Close() {
    if (!Active()) return;
    if (State_ != TDataSetState::dsBrowse) Cancel();
    State_ = TDataSetState::dsInactive;
    RecNo_ = -1;
    Bof_ = Eof_ = true;
    RecordChanged(nullptr);
}

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckEditing() const {
    if (State_ != TDataSetState::dsEdit && State_ != TDataSetState::dsInsert)
        throw EDatabaseError("Dataset not in edit or insert mode");
}

void TDataSet::MoveTo(int Record) {
    CheckActive();
    if (State_ != TDataSetState::dsBrowse) Post(); // leaving a record saves it
    const int count = RecordCount();
    Record = count == 0 ? -1 : std::clamp(Record, 0, count - 1);
    SetCursor(Record);
    // The ends are reached by trying to move past them (Next on the last record), so that a walk
    // "until Eof" visits every record; First and Last set their flag themselves.
    Bof_ = Eof_ = count == 0;
    RecordChanged(nullptr);
}

void TDataSet::First() {
    MoveTo(0);
    Bof_ = true;
}

void TDataSet::Last() {
    MoveTo(RecordCount() - 1);
    Eof_ = true;
}

void TDataSet::Next() {
    MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

void TDataSet::MoveBy(int Distance) {
    CheckActive();
    const long long target = static_cast<long long>(RecNo_) + Distance;
    const bool past = target >= RecordCount();
    const bool before = target < 0;
    MoveTo(static_cast<int>(std::clamp<long long>(target, 0, std::max(0, RecordCount() - 1))));
    Eof_ = Eof_ || past;
    Bof_ = Bof_ || before;
}

void TDataSet::Edit() {
    CheckActive();
    if (State_ != TDataSetState::dsBrowse) return;
    if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
    if (RecordCount() == 0) {
        Append();
        return;
    }
    InternalEdit();
    State_ = TDataSetState::dsEdit;
    RecordChanged(nullptr);
}

void TDataSet::Append() {
    CheckActive();
    if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
    if (State_ != TDataSetState::dsBrowse) Post();
    InternalAppend();
    State_ = TDataSetState::dsInsert;
    Bof_ = Eof_ = true;
    RecordChanged(nullptr);
}

void TDataSet::UpdateRecord() {
    const std::vector<TDataSource*> sources = Sources_;
    for (TDataSource* s : sources)
        s->UpdateData();
}

void TDataSet::Post() {
    CheckActive();
    CheckEditing();
    UpdateRecord();
    InternalPost();
    State_ = TDataSetState::dsBrowse;
    RecordChanged(nullptr);
}

void TDataSet::Cancel() {
    CheckActive();
    if (State_ == TDataSetState::dsBrowse) return;
    InternalCancel();
    State_ = TDataSetState::dsBrowse;
    RecordChanged(nullptr);
}

void TDataSet::Delete() {
    CheckActive();
    if (State_ == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (RecordCount() == 0) throw EDatabaseError("Cannot perform this operation on an empty dataset");
    if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
    State_ = TDataSetState::dsBrowse;
    InternalDelete(RecNo_);
    MoveTo(RecNo_);
}

void TDataSet::RecordChanged(TField* Field) {
    const std::vector<TDataSource*> sources = Sources_;
    for (TDataSource* s : sources)
        if (std::find(Sources_.begin(), Sources_.end(), s) != Sources_.end()) s->RecordChanged(Field);
}

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    const std::vector<TFieldDataLink*> links = Links_;
    for (TFieldDataLink* l : links)
        l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* DS) {
    if (DS == DataSet_) return;
    if (DataSet_) {
        auto& v = DataSet_->Sources_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    DataSet_ = DS;
    if (DataSet_) DataSet_->Sources_.push_back(this);
    RecordChanged(nullptr);
}

void TDataSource::RecordChanged(TField* /*Field*/) {
    const std::vector<TFieldDataLink*> links = Links_;
    for (TFieldDataLink* l : links)
        if (std::find(Links_.begin(), Links_.end(), l) != Links_.end() && l->OnRecordChanged)
            l->OnRecordChanged();
}

void TDataSource::UpdateData() {
    const std::vector<TFieldDataLink*> links = Links_;
    for (TFieldDataLink* l : links)
        if (std::find(Links_.begin(), Links_.end(), l) != Links_.end() && l->OnUpdateData) l->OnUpdateData();
}

TFieldDataLink::~TFieldDataLink() {
    SetDataSource(nullptr);
}

void TFieldDataLink::SetDataSource(TDataSource* DS) {
    if (DS == DataSource_) return;
    if (DataSource_) {
        auto& v = DataSource_->Links_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    DataSource_ = DS;
    if (DataSource_) DataSource_->Links_.push_back(this);
}

TField* TFieldDataLink::Field() const {
    if (!DataSource_ || !DataSource_->DataSet() || FieldName_.empty()) return nullptr;
    return DataSource_->DataSet()->FindField(FieldName_);
}

bool TFieldDataLink::Edit() {
    TField* f = Field();
    if (!f || !f->CanModify()) return false;
    f->DataSet().Edit();
    return true;
}

TField& TMemDataSet::AddFieldDef(const std::string& FieldName) {
    return AddField(FieldName);
}

void TMemDataSet::AppendRecord(const std::vector<Variant>& Values) {
    if (State() != TDataSetState::dsBrowse && State() != TDataSetState::dsInactive)
        throw EDatabaseError("Dataset is being edited");
    std::vector<Variant> record(static_cast<std::size_t>(FieldCount()));
    for (std::size_t i = 0; i < record.size() && i < Values.size(); ++i)
        record[i] = Values[i];
    Records_.push_back(std::move(record));
    if (Active()) MoveTo(RecordCount() - 1);
}

Variant TMemDataSet::GetFieldValue(int FieldIndex) const {
    const auto i = static_cast<std::size_t>(FieldIndex);
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert) return Buffer_.at(i);
    if (RecNo() < 0) return Variant();
    return Records_[static_cast<std::size_t>(RecNo())].at(i);
}

void TMemDataSet::SetFieldValue(int FieldIndex, const Variant& V) {
    Buffer_.at(static_cast<std::size_t>(FieldIndex)) = V;
}

void TMemDataSet::InternalEdit() {
    Buffer_ = Records_[static_cast<std::size_t>(RecNo())];
    Appended_ = false;
}

void TMemDataSet::InternalAppend() {
    Buffer_.assign(static_cast<std::size_t>(FieldCount()), Variant());
    Appended_ = true;
}

void TMemDataSet::InternalPost() {
    if (Appended_) {
        Records_.push_back(Buffer_);
        SetCursor(RecordCount() - 1);
    } else {
        Records_[static_cast<std::size_t>(RecNo())] = Buffer_;
    }
    Appended_ = false;
}

void TMemDataSet::InternalCancel() {
    Appended_ = false;
}

void TMemDataSet::InternalDelete(int Record) {
    Records_.erase(Records_.begin() + Record);
}

} // namespace skv::engine
