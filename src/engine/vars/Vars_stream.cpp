// The variables as a form-file property: the list of names and numbers in the component stream.
#include "engine/base/Text.h"
#include "engine/vars/Vars.h"

#include <utility>

namespace skv::engine {

namespace {

using stream::StreamValue;
using stream::StreamValueType;
using stream::TStreamReader;

std::string NameOf(const StreamValue& V) {
    if (!V.isString()) TStreamReader::fail(V.offset, "a variable name must be a string");
    std::string Name(V.text);
    if (!IsValidIdentCyr(Name) || HasReservedWord(Name))
        TStreamReader::fail(V.offset, "invalid variable name \"" + Name + "\"");
    return Name;
}

double NumberOf(const StreamValue& V) {
    if (V.type == StreamValueType::Extended) return stream::extendedToDouble(V.extended);
    if (V.isInteger()) return static_cast<double>(V.integer);
    TStreamReader::fail(V.offset, "the value of a variable must be a number");
}

} // namespace

void TVarsList::WriteData(stream::TStreamWriter& Writer) {
    // Every value is converted before anything is written, so a failure leaves no half list behind.
    std::vector<double> Numbers;
    for (int i = 0; i < Count(); ++i)
        Numbers.push_back(VarToReal(Objects(i)->Value()));
    Writer.writeListBegin();
    for (int i = 0; i < Count(); ++i) {
        Writer.writeStringValue(Objects(i)->VarName());
        Writer.writeDoubleValue(Numbers[static_cast<std::size_t>(i)]);
    }
    Writer.writeListEnd();
}

void TVarsList::ReadData(stream::TStreamReader& Reader) {
    const StreamValue List = Reader.readValue();
    if (List.type != StreamValueType::List) TStreamReader::fail(List.offset, "the variables must be a list");
    std::vector<std::pair<std::string, double>> Read;
    while (Reader.nextListItem()) {
        std::string Name = NameOf(Reader.readValue());
        Read.emplace_back(std::move(Name), NumberOf(Reader.readValue()));
    }

    BeginUpdate();
    try {
        Clear();
        TComponent* VarOwner = Owner_ ? Owner_->Owner() : nullptr;
        for (const auto& [Name, Number] : Read)
            CreateVariable(VarOwner, Name, "")->SetValue(Variant(Number));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

} // namespace skv::engine
