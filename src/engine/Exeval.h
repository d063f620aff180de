// The evaluator: the procedures that compiled operations and statements run, the walk over their
// chains, and TEvalObj, one compiled expression or script with lazy (re)compilation.
#pragma once

#include "engine/Exlink.h"
#include "engine/Parstype.h"
#include "engine/Variant.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::engine {

// ---------------------------------------------------------------------------------------------
// Running chains

// Runs every operation of Chain and copies the last result into Value (integer 0 for no chain).
void CalcExpression(PParserOperation Chain, Variant& Value);
// Runs every operation of Chain and answers the last result without copying it.
const Variant& RunExpression(PParserOperation Chain);
// Runs each statement of Chain in order.
void CalcStatements(PParserStatement Chain);

// A host (the effect player) may stop a running script: the check point is called at every loop
// back-edge and every call of a user function, and stops the script by raising. EEvalAborted is
// the exception meant for it: TRY..EXCEPT blocks of scripts let it pass, FINALLY parts still run.
class EEvalAborted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
using TEvalCheckPoint = void (*)(void* Data);
// Installs the check point of the calling thread (null: none); answers the previous one.
TEvalCheckPoint SetEvalCheckPoint(TEvalCheckPoint CheckPoint, void* Data);
void EvalCheckPoint();

// ---------------------------------------------------------------------------------------------
// Operation procedures, one per operation kind.

void OpNothing(PParserOperation Op);
void OpAssign(PParserOperation Op);
void OpAdd(PParserOperation Op);
void OpSubtract(PParserOperation Op);
void OpMultiply(PParserOperation Op);
void OpRealDivide(PParserOperation Op);
void OpModulo(PParserOperation Op);
void OpIntDiv(PParserOperation Op);
void OpNegate(PParserOperation Op);
void OpIntPower(PParserOperation Op);
void OpPower(PParserOperation Op);
void OpSquare(PParserOperation Op);
void OpThird(PParserOperation Op);
void OpFourth(PParserOperation Op);
void OpLessThan(PParserOperation Op);
void OpLessOrEqual(PParserOperation Op);
void OpGreatThan(PParserOperation Op);
void OpGreatOrEqual(PParserOperation Op);
void OpIsEqual(PParserOperation Op);
void OpIsNotEqual(PParserOperation Op);
void OpNot(PParserOperation Op);
void OpAnd(PParserOperation Op);
void OpOr(PParserOperation Op);
void OpXor(PParserOperation Op);
void OpBitNot(PParserOperation Op);
void OpBitShl(PParserOperation Op);
void OpBitShr(PParserOperation Op);
// Args[0] is the array, the further operands its indices; SetArrayItem's last operand is the
// value to store.
void OpGetVarArrayItem(PParserOperation Op);
void OpSetVarArrayItem(PParserOperation Op);
// The procedure of an operator or power kind; null for kinds bound elsewhere.
TMathProcedure ProcOfToken(TToken Token);

// ---------------------------------------------------------------------------------------------
// Statement procedures, one per statement kind.

void StEquation(PParserStatement St);
void StIfThenElse(PParserStatement St);
void StForCycleUp(PParserStatement St);
void StForCycleDown(PParserStatement St);
void StWhileCycle(PParserStatement St);
void StRepeatCycle(PParserStatement St);
void StBreakCycle(PParserStatement St);
void StTryFinallyBlock(PParserStatement St);
void StTryExceptBlock(PParserStatement St);

TStatementProc ProcOfStatement(TStatementToken Token);

} // namespace skv::engine
