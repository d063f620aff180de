// Helpers for the registry tests: calling a function with a list of values, and a stand-in
// library of built-in groups.
#pragma once

#include "engine/funcs/Exfuncs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace skv::engine::testing {

// Calls F with copies of Values as its operands; the result starts as Initial.
inline Variant CallWith(const TFuncObj& F, std::vector<Variant> Values, Variant Initial = Variant()) {
    std::vector<Variant*> ptrs;
    for (Variant& v : Values)
        ptrs.push_back(&v);
    Variant result = std::move(Initial);
    F.Call(ptrs.data(), static_cast<std::int32_t>(ptrs.size()), result);
    return result;
}

inline Variant CallByName(const TEPRegFuncs& R, const std::string& Name, std::vector<Variant> Values) {
    const TFuncObj* f = R.FindFunction(Name);
    if (!f) throw std::runtime_error("no function " + Name);
    return CallWith(*f, std::move(Values));
}

inline void SinProc(PParserOperation Op) {
    *Op->Result = Variant(std::sin(Op->Arg1->ToReal()));
}
inline void CosProc(PParserOperation Op) {
    *Op->Result = Variant(std::cos(Op->Arg1->ToReal()));
}
inline void SqrProc(PParserOperation Op) {
    const double x = Op->Arg1->ToReal();
    *Op->Result = Variant(x * x);
}
inline std::string UpperCaseFn(const std::string& S) {
    return UpStr(S);
}

// Group 3 has SIN and COS (added only when absent), group 5 has UpperCase (added with the
// duplicate check); SQR is always present. It counts what it is asked to do.
class TStandInLibrary : public TBuildInLibrary {
public:
    void FillOutBuildFuncs(TFuncStringList& List) const override {
        AddBuildInFuncs(List, bfgTrigonom);
        List.AddFuncObject("SQR", &SqrProc, 1, "Returns square value for x ( = x ^ 2)", fct_Arithm);
        AddBuildInFuncs(List, bfgVariantString);
    }
    void AddBuildInFuncs(TFuncStringList& List, int Group) const override {
        ++Adds;
        if (Group == bfgTrigonom) {
            List.AddFunc("SIN", &SinProc, 1, "Returns sine value of x", fct_Trigonom);
            List.AddFunc("COS", &CosProc, 1, "Returns cosine value of x", fct_Trigonom);
        }
        if (Group == bfgVariantString)
            List.AddRTFunction("UpperCase", &UpperCaseFn, {typeString}, typeString, "Upper case", fct_String);
    }
    void RemoveBuildInFuncs(TFuncStringList& List, int Group) const override {
        ++Removes;
        if (Group == bfgTrigonom) {
            List.RemoveFuncObject("SIN");
            List.RemoveFuncObject("COS");
        }
        if (Group == bfgVariantString) List.RemoveFuncObject("UpperCase");
    }
    mutable int Adds = 0;
    mutable int Removes = 0;
};

// Expects Statement to raise Exception with exactly Message.
#define EXPECT_ENGINE_ERROR(Statement, Exception, Message)                                                   \
    do {                                                                                                     \
        try {                                                                                                \
            Statement;                                                                                       \
            ADD_FAILURE() << "no exception from " #Statement;                                                \
        } catch (const Exception& e) {                                                                       \
            EXPECT_EQ(std::string(e.what()), std::string(Message));                                          \
        }                                                                                                    \
    } while (false)

} // namespace skv::engine::testing
