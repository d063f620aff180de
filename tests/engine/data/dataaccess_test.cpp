// The in-memory dataset and data-field variables on top of it.
#include "engine/data/Dataaccess.h"
#include "engine/vars/Vars.h"

#include <gtest/gtest.h>

using namespace skv::engine;

namespace {
class DataTest : public ::testing::Test {
protected:
    void SetUp() override {
        data->AddFieldDef("Name");
        data->AddFieldDef("Zoom");
        data->AppendRecord({Variant("a"), Variant(1.0)});
        data->AppendRecord({Variant("b"), Variant(2.0)});
        data->Open();
        source->SetName("dsCams");
        source->SetDataSet(data);
    }
    TComponent form;
    TMemDataSet* data = new TMemDataSet(&form);
    TDataSource* source = new TDataSource(&form);
    TEPVars* vars = new TEPVars(&form);
};
} // namespace

TEST_F(DataTest, CursorWalksEveryRecord) {
    std::vector<std::string> seen;
    for (data->First(); !data->Eof(); data->Next())
        seen.push_back(data->FieldByName("name").Value().ToString());
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(data->RecNo(), 1);
    data->Prior();
    data->Prior();
    EXPECT_TRUE(data->Bof());
    EXPECT_EQ(data->RecNo(), 0);
    EXPECT_THROW(data->FieldByName("none"), EDatabaseError);

    TMemDataSet one;
    one.AddFieldDef("F");
    one.AppendRecord({Variant(std::int32_t{7})});
    one.Open();
    int visits = 0;
    for (one.First(); !one.Eof(); one.Next())
        ++visits;
    EXPECT_EQ(visits, 1) << "a single record is visited too";
    TMemDataSet empty;
    empty.Open();
    EXPECT_TRUE(empty.Eof() && empty.Bof());
    EXPECT_TRUE(empty.FindField("F") == nullptr);
}

TEST_F(DataTest, EditPostCancelAndDelete) {
    TField& zoom = data->FieldByName("Zoom");
    EXPECT_THROW(zoom.SetValue(Variant(5.0)), EDatabaseError) << "not in edit mode";
    data->Edit();
    zoom.SetValue(Variant(5.0));
    data->Cancel();
    EXPECT_EQ(zoom.Value().RawDouble(), 1.0);
    data->Edit();
    zoom.SetValue(Variant(5.0));
    data->Next(); // leaving the record posts it
    data->First();
    EXPECT_EQ(zoom.Value().RawDouble(), 5.0);
    data->Append();
    data->FieldByName("Name").SetValue(Variant("c"));
    data->Post();
    EXPECT_EQ(data->RecordCount(), 3);
    EXPECT_EQ(data->RecNo(), 2);
    data->Delete();
    EXPECT_EQ(data->RecordCount(), 2);
    EXPECT_EQ(data->RecNo(), 1);
    data->ReadOnly = true;
    EXPECT_THROW(data->Edit(), EDatabaseError);
    data->Close();
    EXPECT_THROW(data->Next(), EDatabaseError);
}

TEST_F(DataTest, FieldVariablesFollowTheRecord) {
    TVariable* v = vars->CreateVariable(&form, "ZOOM", "");
    v->SetDataSource(source);
    v->SetDataField("zoom");
    v->SetValueType(vvDBField);
    EXPECT_EQ(v->Value().RawDouble(), 1.0);
    data->Next();
    EXPECT_EQ(v->Value().RawDouble(), 2.0);
    v->SetDataField("missing");
    EXPECT_EQ(v->Value().RawInteger(), 0);
    v->SetDataField("zoom");
    delete source;
    EXPECT_EQ(v->DataSource(), nullptr);
    EXPECT_EQ(v->Value().RawInteger(), 0);
}

TEST_F(DataTest, ResultsAreSavedIntoTheResultField) {
    TVariable* v = vars->CreateVariable(&form, "R", "");
    v->SetResultSource(source);
    v->SetResultField("Zoom");
    v->SetValue(Variant(9.0));
    EXPECT_EQ(data->FieldByName("Zoom").Value().RawDouble(), 1.0) << "SaveResult is off";
    v->SetSaveResult(true);
    EXPECT_TRUE(v->Stored());
    EXPECT_EQ(data->State(), TDataSetState::dsEdit);
    data->Post();
    EXPECT_EQ(data->FieldByName("Zoom").Value().RawDouble(), 9.0);
    EXPECT_FALSE(v->Stored()) << "a record change clears the mark";
    v->SetValue(Variant(7.0));
    data->Post();
    EXPECT_EQ(data->FieldByName("Zoom").Value().RawDouble(), 7.0);
    data->FieldByName("Zoom").ReadOnly = true;
    v->SetValue(Variant(3.0));
    EXPECT_FALSE(v->Stored());
    EXPECT_EQ(data->FieldByName("Zoom").Value().RawDouble(), 7.0);
    // Reading the value tries again once the field takes it.
    data->FieldByName("Zoom").ReadOnly = false;
    EXPECT_EQ(v->Value().RawDouble(), 3.0);
    EXPECT_TRUE(v->Stored());
    data->Post();
    EXPECT_EQ(data->FieldByName("Zoom").Value().RawDouble(), 3.0);
}
