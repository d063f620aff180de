// The data-access layer that data-field variables and the dataset functions address: a dataset of
// records with named fields and a cursor, a named data source that shows its current record, and
// field links that hear of record changes. TMemDataSet keeps its records in memory.
#pragma once

#include "engine/objects/Component.h"
#include "engine/values/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skv::engine {

// A failure of a dataset operation (no current record, not in edit mode, read-only field, ...).
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TDataSetState : std::uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert };

class TDataSet;
class TDataSource;

// One field of a dataset; its value is that of the current record.
class TField {
public:
    TField(TDataSet& DataSet, std::string FieldName, int Index)
        : FieldName(std::move(FieldName)), DataSet_(DataSet), Index_(Index) {}
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    Variant Value() const;
    // Only while the dataset is in edit or insert mode.
    void SetValue(const Variant& V);
    bool CanModify() const;
    TDataSet& DataSet() const { return DataSet_; }
    int Index() const { return Index_; }

    const std::string FieldName;
    bool ReadOnly = false;

private:
    TDataSet& DataSet_;
    int Index_;
};

// A table of records with a cursor. Descendants keep the records; this class keeps the fields, the
// state and the data sources that show it.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    ~TDataSet() override;
    std::string ClassName() const override { return "TDataSet"; }

    int FieldCount() const { return static_cast<int>(Fields_.size()); }
    TField& Fields(int Index) const { return *Fields_.at(static_cast<std::size_t>(Index)); }
    TField* FindField(const std::string& FieldName) const; // ignoring case
    TField& FieldByName(const std::string& FieldName) const;

    TDataSetState State() const { return State_; }
    bool Active() const { return State_ != TDataSetState::dsInactive; }
    void Open();
    void Close();

    virtual int RecordCount() const = 0;
    int RecNo() const { return RecNo_; } // 0-based; -1 when empty
    bool Bof() const { return Bof_; }
    bool Eof() const { return Eof_; }
    void First();
    void Last();
    void Next();
    void Prior();
    void MoveBy(int Distance);

    bool ReadOnly = false;
    bool CanModify() const { return Active() && !ReadOnly; }
    void Edit();   // the current record, or a new one when empty
    void Append(); // a new record at the end
    void Post();   // the field links put their values first
    void Cancel();
    void Delete();

    // Field storage of the current record for TField.
    virtual Variant GetFieldValue(int FieldIndex) const = 0;
    virtual void SetFieldValue(int FieldIndex, const Variant& V) = 0;

protected:
    TField& AddField(const std::string& FieldName);
    // Record storage of descendants.
    virtual void InternalAppend() = 0;
    virtual void InternalDelete(int Record) = 0;
    virtual void InternalEdit() {}
    virtual void InternalPost() {}
    virtual void InternalCancel() {}
    virtual void SetCursor(int Record) { RecNo_ = Record; }
    void MoveTo(int Record); // posts a record being edited first

private:
    friend class TDataSource;
    friend class TField;
    void RecordChanged(TField* Field);
    void UpdateRecord();
    void CheckActive() const;
    void CheckEditing() const;

    std::vector<std::unique_ptr<TField>> Fields_;
    std::vector<TDataSource*> Sources_;
    TDataSetState State_ = TDataSetState::dsInactive;
    int RecNo_ = -1;
    bool Bof_ = true;
    bool Eof_ = true;
};

class TFieldDataLink;

// A named component that shows its dataset's current record to field links.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    ~TDataSource() override;
    std::string ClassName() const override { return "TDataSource"; }

    TDataSet* DataSet() const { return DataSet_; }
    void SetDataSet(TDataSet* DS);

private:
    friend class TDataSet;
    friend class TFieldDataLink;
    void RecordChanged(TField* Field);
    void UpdateData();

    TDataSet* DataSet_ = nullptr;
    std::vector<TFieldDataLink*> Links_;
};

// The link between one field of a data source and something that shows or fills it.
class TFieldDataLink {
public:
    TFieldDataLink() = default;
    ~TFieldDataLink();
    TFieldDataLink(const TFieldDataLink&) = delete;
    TFieldDataLink& operator=(const TFieldDataLink&) = delete;

    TDataSource* DataSource() const { return DataSource_; }
    void SetDataSource(TDataSource* DS);
    const std::string& FieldName() const { return FieldName_; }
    void SetFieldName(const std::string& Name) { FieldName_ = Name; }
    // The named field of the source's dataset, or null.
    TField* Field() const;
    // Puts the dataset into edit mode; false when the field cannot be edited.
    bool Edit();

    // The current record changed (moved, posted, cancelled, or the field's value was set).
    std::function<void()> OnRecordChanged;
    // The dataset is about to post: the linked field is to receive its value now.
    std::function<void()> OnUpdateData;

private:
    TDataSource* DataSource_ = nullptr;
    std::string FieldName_;
};

// A dataset whose records live in memory; fields are declared before Open.
class TMemDataSet : public TDataSet {
public:
    explicit TMemDataSet(TComponent* AOwner = nullptr) : TDataSet(AOwner) {}
    std::string ClassName() const override { return "TMemDataSet"; }

    TField& AddFieldDef(const std::string& FieldName);
    // Appends a whole record (values in field order; missing ones are empty) without editing.
    void AppendRecord(const std::vector<Variant>& Values);

    int RecordCount() const override { return static_cast<int>(Records_.size()); }
    Variant GetFieldValue(int FieldIndex) const override;
    void SetFieldValue(int FieldIndex, const Variant& V) override;

protected:
    void InternalAppend() override;
    void InternalDelete(int Record) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;

private:
    std::vector<std::vector<Variant>> Records_;
    std::vector<Variant> Buffer_; // the record being edited
    bool Appended_ = false;       // the edited record was appended by Append
};

} // namespace skv::engine
