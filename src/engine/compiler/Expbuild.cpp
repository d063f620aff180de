// The operation builder: reads one expression into a term tree with the language's operator
// table, then emits the tree as an operation chain, deepest level first.
#include "engine/compiler/Expbuild.h"

#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include "engine/eval/Exeval.h"
#include "engine/lexer/Scanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <numbers>

namespace skv::engine {

namespace {

// Binary operators, each with its kind and how tightly it binds. The rows follow the operator
// codes; every operator up to "*" has a level of its own, and DIV, MOD and "/" share the tightest.
enum class TLevel : std::uint8_t { Or, Xor, And, Eq, Neq, Lt, Le, Gt, Ge, Shl, Shr, Add, Sub, Mul, Division };

struct TBinaryRow {
    TOpCode Op;
    TToken Token;
    TLevel Level;
};

constexpr TBinaryRow kBinary[] = {
    {TOpCode::Or, TToken::lf_or, TLevel::Or},         {TOpCode::Xor, TToken::lf_xor, TLevel::Xor},
    {TOpCode::And, TToken::lf_and, TLevel::And},      {TOpCode::Eq, TToken::lf_eq, TLevel::Eq},
    {TOpCode::Neq, TToken::lf_neq, TLevel::Neq},      {TOpCode::Lt, TToken::lf_lt, TLevel::Lt},
    {TOpCode::Le, TToken::lf_le, TLevel::Le},         {TOpCode::Gt, TToken::lf_gt, TLevel::Gt},
    {TOpCode::Ge, TToken::lf_ge, TLevel::Ge},         {TOpCode::Shl, TToken::bit_shl, TLevel::Shl},
    {TOpCode::Shr, TToken::bit_shr, TLevel::Shr},     {TOpCode::Add, TToken::sum, TLevel::Add},
    {TOpCode::Sub, TToken::diff, TLevel::Sub},        {TOpCode::Mul, TToken::prod, TLevel::Mul},
    {TOpCode::Div, TToken::IntDiv, TLevel::Division}, {TOpCode::Mod, TToken::modulo, TLevel::Division},
    {TOpCode::RDiv, TToken::divis, TLevel::Division},
};
static_assert(std::size(kBinary) == static_cast<std::size_t>(TOpCode::Not),
              "a row for every binary operator");
static_assert(
    [] {
        for (std::size_t i = 0; i < std::size(kBinary); ++i)
            if (kBinary[i].Op != static_cast<TOpCode>(i)) return false;
        return true;
    }(),
    "the rows follow the operator codes");

constexpr bool IsBinary(TOpCode Op) {
    return Op < TOpCode::Not;
}
int LevelOf(TOpCode Op) {
    return static_cast<int>(kBinary[static_cast<std::size_t>(Op)].Level);
}
TToken TokenOf(TOpCode Op) {
    return kBinary[static_cast<std::size_t>(Op)].Token;
}
// "-" and the DIV, MOD, "/" group take their own kind on the left, the others on the right.
bool GroupsFromLeft(int Level) {
    return Level == static_cast<int>(TLevel::Sub) || Level == static_cast<int>(TLevel::Division);
}

// True when the round brackets outside strings balance.
bool BracketsBalance(std::string_view T) {
    int depth = 0;
    char quote = 0;
    for (const char c : T) {
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth < 0) return false;
        }
    }
    return depth == 0;
}

// A date literal: month/day/year, the year with two or four digits.
bool ReadDateLiteral(std::string_view Body, double& Days) {
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int k = 0;
    for (const char c : Body) {
        if (c == '/') {
            if (++k > 2) return false;
        } else if (IsDigit(c) && digits[k] < 4) {
            parts[k] = parts[k] * 10 + (c - '0');
            ++digits[k];
        } else if (c != ' ') {
            return false;
        }
    }
    if (k != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0) return false;
    int year = parts[2];
    if (digits[2] <= 2) year += year < 50 ? 2000 : 1900;
    try {
        Days = EncodeDate(year, parts[0], parts[1]);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

// One term of the tree: a leaf (a value slot) or an operation over its kids.
struct TNode {
    Variant* Slot = nullptr;
    bool Literal = false; // a number constant, foldable by a sign
    TToken Token = TToken::constant;
    TMathProcedure Proc = nullptr;
    TLinkOwner* Obj = nullptr;
    TObject* Data = nullptr;
    std::string Name;
    bool HasName = false;
    std::vector<int> Kids;
    int ObjKid = -1;              // the object before the dot of a member
    TValueOwner* Owner = nullptr; // the variable of a variable leaf
    TExprLink* CallerLink = nullptr;
};

// The operators whose result depends on nothing but their operands.
bool IsFoldable(TToken Token) {
    switch (Token) {
    case TToken::minus:
    case TToken::sum:
    case TToken::diff:
    case TToken::prod:
    case TToken::divis:
    case TToken::modulo:
    case TToken::IntDiv:
    case TToken::integerpower:
    case TToken::realpower:
    case TToken::square:
    case TToken::third:
    case TToken::fourth:
    case TToken::lf_lt:
    case TToken::lf_le:
    case TToken::lf_gt:
    case TToken::lf_ge:
    case TToken::lf_eq:
    case TToken::lf_neq:
    case TToken::lf_xor:
    case TToken::lf_or:
    case TToken::lf_and:
    case TToken::lf_not:
    case TToken::bit_not:
    case TToken::bit_shl:
    case TToken::bit_shr:
        return true;
    default:
        return false;
    }
}

bool IsPostfixStart(TExprTok Kind) {
    return Kind == TExprTok::LParen || Kind == TExprTok::LBrack || Kind == TExprTok::Dot;
}

class TExprBuilder {
public:
    TExprBuilder(std::string_view Text, TParseEnv& Env, TProgram& Program)
        : Text_(Text), Env_(Env), Program_(Program), Toks_(TokenizeExpression(Text)) {}

    int ParseWhole() {
        const int root = ParseBinary(0);
        if (Peek().Kind != TExprTok::End) Fail();
        return root;
    }
    // An assignment target that is no plain name: an element of an array variable or a
    // property of an object (indexed or not). Answers the store node still missing its value
    // operand, or -1 when the text has neither form.
    int ParseStoreTarget(TValueOwner*& Owner) {
        const int node = ParsePostfix();
        if (Peek().Kind != TExprTok::End) return -1;
        TNode& n = Nodes_[static_cast<std::size_t>(node)];
        if (n.ObjKid >= 0) return RebindAsStore(node);
        if (n.Token != TToken::GetArrayItem || n.Kids.empty()) return -1;
        TNode& base = Nodes_[static_cast<std::size_t>(n.Kids[0])];
        if (base.ObjKid >= 0 && base.Kids.empty()) {
            // "Obj.Prop[i]": the indices go to the property.
            base.Kids.assign(n.Kids.begin() + 1, n.Kids.end());
            return RebindAsStore(n.Kids[0]);
        }
        if (!base.Slot || base.Literal || base.Token != TToken::variab) return -1;
        Owner = base.Owner;
        n.Token = TToken::SetArrayItem;
        n.Proc = OpSetVarArrayItem;
        return node;
    }
    // Continues with another text (the value of a store) in the same tree.
    int ParseOther(std::string_view Text) {
        Text_ = Text;
        Toks_ = TokenizeExpression(Text);
        Pos_ = 0;
        return ParseWhole();
    }
    void AddKid(int Node, int Kid) { Nodes_[static_cast<std::size_t>(Node)].Kids.push_back(Kid); }
    PParserOperation Emit(int Root, Variant* Dest);

    std::vector<TNode> Nodes_;

private:
    const TExprToken& Peek(std::size_t Ahead = 0) const {
        return Toks_[std::min(Pos_ + Ahead, Toks_.size() - 1)];
    }
    std::string_view TextOf(const TExprToken& T) const { return Text_.substr(T.Begin, T.End - T.Begin); }
    bool PeekOp(TOpCode Op) const { return Peek().Kind == TExprTok::Op && Peek().Op == Op; }

    [[noreturn]] void Fail() const { FailAt(Peek().Begin); }
    [[noreturn]] void FailAt(std::size_t From) const {
        const std::string_view rest = TrimSpaces(Text_.substr(std::min(From, Text_.size())));
        ESyntaxError e(std::string(_msgParseError) + '\r' + std::string(rest.empty() ? Text_ : rest));
        e.SetOffset(rest.empty() ? std::min(From, Text_.size())
                                 : static_cast<std::size_t>(rest.data() - Text_.data()));
        throw e;
    }

    int AddNode(TNode N) {
        Nodes_.push_back(std::move(N));
        return static_cast<int>(Nodes_.size()) - 1;
    }
    int Leaf(Variant* Slot, TToken Token, bool Literal = false) {
        TNode n;
        n.Slot = Slot;
        n.Token = Token;
        n.Literal = Literal;
        return AddNode(std::move(n));
    }
    int Constant(Variant Value, bool Literal) {
        Program_.ConstList.push_back(std::move(Value));
        Program_.Literals.insert(&Program_.ConstList.back());
        return Leaf(&Program_.ConstList.back(), TToken::constant, Literal);
    }
    int Operation(TToken Token, std::vector<int> Kids) {
        TNode n;
        n.Token = Token;
        n.Proc = ProcOfToken(Token);
        n.Kids = std::move(Kids);
        Variant folded;
        // Not a literal: literals decide how powers and signs compile.
        if (Fold(n, folded)) return Constant(std::move(folded), false);
        return AddNode(std::move(n));
    }
    // An operator whose operands are all number constants is computed now. When that raises, the
    // operation stays, so that the error comes at evaluation as it did.
    bool Fold(const TNode& N, Variant& Value) const {
        if (!N.Proc || !IsFoldable(N.Token) || N.Kids.empty() || N.Kids.size() > 2) return false;
        Variant* args[2] = {nullptr, nullptr};
        for (std::size_t i = 0; i < N.Kids.size(); ++i) {
            const TNode& kid = Nodes_[static_cast<std::size_t>(N.Kids[i])];
            if (kid.Token != TToken::constant || !kid.Slot) return false;
            const TVarType type = kid.Slot->VType();
            if (type != varInteger && type != varDouble) return false;
            args[i] = kid.Slot;
        }
        TParserOperation op;
        op.Token = N.Token;
        op.Proc = N.Proc;
        op.Args = std::span<Variant*>(args, N.Kids.size());
        op.ArgCount = static_cast<std::int32_t>(N.Kids.size());
        op.Arg1 = args[0];
        op.Arg2 = args[1];
        op.Result = &Value;
        try {
            N.Proc(&op);
        } catch (const std::exception&) {
            return false;
        }
        TVarType type = varEmpty;
        std::int64_t bits = 0;
        return Value.InlineBits(type, bits);
    }

    int ParseBinary(int MinLevel);
    int ParseUnary(bool AllowNot);
    int ParsePower();
    int ParsePowerOperand();
    int ParsePostfix();
    int ParseAtom();
    int ParseCall(const TExprToken& NameTok);
    int ParseMember(int Object);
    int ParseBracketRef();
    int RebindAsStore(int Node);
    int ParseNumber(const TExprToken& T, bool Negative);
    int ParseNameRef(const TExprToken& T);
    std::vector<int> ParseList(TExprTok Close);

    std::string_view Text_;
    TParseEnv& Env_;
    TProgram& Program_;
    std::vector<TExprToken> Toks_;
    std::size_t Pos_ = 0;
    int Depth_ = 0;
};

int TExprBuilder::ParseBinary(int MinLevel) {
    int lhs = ParseUnary(true);
    for (;;) {
        const TExprToken& t = Peek();
        if (t.Kind != TExprTok::Op || !IsBinary(t.Op) || LevelOf(t.Op) < MinLevel) return lhs;
        const int level = LevelOf(t.Op);
        if (GroupsFromLeft(level)) {
            const TOpCode op = t.Op;
            ++Pos_;
            const int rhs = ParseBinary(level + 1);
            lhs = Operation(TokenOf(op), {lhs, rhs});
            continue;
        }
        // A run of one operator that groups from the right: collect, then fold from the end, so
        // that long chains need no deep recursion.
        std::vector<int> operands{lhs};
        std::vector<TOpCode> ops;
        while (Peek().Kind == TExprTok::Op && IsBinary(Peek().Op) && LevelOf(Peek().Op) == level) {
            ops.push_back(Peek().Op);
            ++Pos_;
            operands.push_back(ParseBinary(level + 1));
        }
        int r = operands.back();
        for (std::size_t i = ops.size(); i-- > 0;)
            r = Operation(TokenOf(ops[i]), {operands[i], r});
        lhs = r;
    }
}

int TExprBuilder::ParseUnary(bool AllowNot) {
    if (++Depth_ > kMaxParseDepth) Fail();
    int node = -1;
    if (PeekOp(TOpCode::Not) && AllowNot) {
        ++Pos_;
        node = Operation(TToken::lf_not, {ParseUnary(true)});
    } else if (PeekOp(TOpCode::BitNot)) {
        ++Pos_;
        node = Operation(TToken::bit_not, {ParseUnary(false)});
    } else if (PeekOp(TOpCode::Sub)) {
        ++Pos_;
        const int operand = ParsePower();
        TNode& n = Nodes_[static_cast<std::size_t>(operand)];
        node = n.Literal ? Constant(VarNeg(*n.Slot), true) : Operation(TToken::minus, {operand});
    } else {
        node = ParsePower();
    }
    --Depth_;
    return node;
}

int TExprBuilder::ParsePower() {
    const int base = ParsePostfix();
    if (!PeekOp(TOpCode::Pow)) return base;
    ++Pos_;
    const int exponent = ParsePowerOperand();
    if (PeekOp(TOpCode::Pow)) Fail();
    const TNode& e = Nodes_[static_cast<std::size_t>(exponent)];
    if (e.Literal) {
        const double x = e.Slot->ToReal();
        if (x == std::floor(x)) {
            if (x == 2) return Operation(TToken::square, {base});
            if (x == 3) return Operation(TToken::third, {base});
            if (x == 4) return Operation(TToken::fourth, {base});
            return Operation(TToken::integerpower, {base, exponent});
        }
    }
    return Operation(TToken::realpower, {base, exponent});
}

int TExprBuilder::ParsePowerOperand() {
    if ((PeekOp(TOpCode::Sub) || PeekOp(TOpCode::Add)) && Peek(1).Kind == TExprTok::Number &&
        Peek(1).Begin == Peek().End) {
        const bool negative = PeekOp(TOpCode::Sub);
        ++Pos_;
        const TExprToken& t = Peek();
        ++Pos_;
        return ParseNumber(t, negative);
    }
    return ParsePostfix();
}

int TExprBuilder::ParsePostfix() {
    const std::size_t begin = Peek().Begin;
    int node = ParseAtom();
    // Elements and members wrap the node one after the other: a loop, so long chains need no
    // recursion.
    for (;;) {
        if (Peek().Kind == TExprTok::Dot) {
            if (Peek(1).Kind != TExprTok::Ident) Fail();
            node = ParseMember(node);
            continue;
        }
        if (Peek().Kind != TExprTok::LBrack) return node;
        const std::size_t end = Toks_[Pos_ - 1].End;
        ++Pos_;
        std::vector<int> kids{node};
        const std::vector<int> indices = ParseList(TExprTok::RBrack);
        if (indices.empty()) Fail();
        kids.insert(kids.end(), indices.begin(), indices.end());
        node = Operation(TToken::GetArrayItem, std::move(kids));
        TNode& n = Nodes_[static_cast<std::size_t>(node)];
        n.Name = std::string(TrimSpaces(Text_.substr(begin, end - begin)));
        n.HasName = true;
    }
}

int TExprBuilder::ParseMember(int Object) {
    ++Pos_; // "."
    const TExprToken& name = Peek();
    ++Pos_;
    std::vector<int> args;
    if (Peek().Kind == TExprTok::LParen) {
        ++Pos_;
        args = ParseList(TExprTok::RParen);
    }
    TParserOperation bound;
    const std::string member(TextOf(name));
    if (!Env_.BindMember(member, false, bound)) FailAt(name.Begin);
    TNode n;
    n.Token = bound.Token;
    n.Proc = bound.Proc;
    n.Obj = bound.Obj;
    n.Data = bound.Data;
    n.CallerLink = bound.CallerLink;
    n.Name = member;
    n.HasName = true;
    n.ObjKid = Object;
    n.Kids = std::move(args);
    return AddNode(std::move(n));
}

int TExprBuilder::RebindAsStore(int Node) {
    TNode& n = Nodes_[static_cast<std::size_t>(Node)];
    TParserOperation bound;
    if (!Env_.BindMember(n.Name, true, bound)) return -1;
    n.Token = bound.Token;
    n.Proc = bound.Proc;
    n.Obj = bound.Obj;
    n.Data = bound.Data;
    n.CallerLink = bound.CallerLink;
    return Node;
}

int TExprBuilder::ParseBracketRef() {
    ++Pos_; // "["
    if (Peek().Kind != TExprTok::Ident) Fail();
    std::string name(TextOf(Peek()));
    ++Pos_;
    if (Peek().Kind == TExprTok::Dot && Peek(1).Kind == TExprTok::Ident) {
        name.append(".").append(TextOf(Peek(1)));
        Pos_ += 2;
    }
    if (Peek().Kind != TExprTok::RBrack) Fail();
    ++Pos_;
    TVarRef ref;
    // "[Source].Field" as a whole operand reads a field when Source is a data source.
    if (Peek().Kind == TExprTok::Dot && Peek(1).Kind == TExprTok::Ident && !IsPostfixStart(Peek(2).Kind) &&
        Env_.FindDataField(name, std::string(TextOf(Peek(1))), ref)) {
        Pos_ += 2;
        return Leaf(ref.Value, TToken::variab);
    }
    if (!Env_.FindObjectRef(name, ref)) Fail();
    return Leaf(ref.Value, TToken::variab);
}

std::vector<int> TExprBuilder::ParseList(TExprTok Close) {
    std::vector<int> items;
    if (Peek().Kind == Close) {
        ++Pos_;
        return items;
    }
    for (;;) {
        items.push_back(ParseBinary(0));
        if (Peek().Kind == TExprTok::Comma) {
            ++Pos_;
            continue;
        }
        if (Peek().Kind != Close) Fail();
        ++Pos_;
        return items;
    }
}

int TExprBuilder::ParseNumber(const TExprToken& T, bool Negative) {
    Variant v;
    if (!ReadNumberLiteral(TextOf(T), v)) FailAt(T.Begin);
    return Constant(Negative ? VarNeg(v) : v, true);
}

int TExprBuilder::ParseAtom() {
    const TExprToken& t = Peek();
    switch (t.Kind) {
    case TExprTok::LParen: {
        ++Pos_;
        const int inner = ParseBinary(0);
        if (Peek().Kind != TExprTok::RParen) Fail();
        ++Pos_;
        return inner;
    }
    case TExprTok::Number:
        ++Pos_;
        return ParseNumber(t, false);
    case TExprTok::String: {
        ++Pos_;
        std::string body(Text_.substr(t.Begin + 1, t.End - t.Begin - 2));
        RemoveDoubleQuotes(body);
        return Constant(Variant(std::move(body)), false);
    }
    case TExprTok::Date: {
        double days = 0;
        if (t.End - t.Begin > 12 || !ReadDateLiteral(Text_.substr(t.Begin + 1, t.End - t.Begin - 2), days))
            FailAt(t.Begin);
        ++Pos_;
        return Constant(Variant::Date(days), false);
    }
    case TExprTok::Slot: {
        ++Pos_;
        Variant* slot = FindSlot(TextOf(t), Program_);
        if (!slot) FailAt(t.Begin);
        return Leaf(slot, TToken::variab);
    }
    case TExprTok::LBrack:
        return ParseBracketRef();
    case TExprTok::Op:
        // A number with its sign written on it reads as a signed number.
        if ((t.Op == TOpCode::Add || t.Op == TOpCode::Sub) && Peek(1).Kind == TExprTok::Number &&
            Peek(1).Begin == t.End) {
            ++Pos_;
            const TExprToken& num = Peek();
            ++Pos_;
            return ParseNumber(num, t.Op == TOpCode::Sub);
        }
        Fail();
    case TExprTok::Ident:
        ++Pos_;
        if (Peek().Kind == TExprTok::LParen) return ParseCall(t);
        return ParseNameRef(t);
    default:
        Fail();
    }
}

int TExprBuilder::ParseNameRef(const TExprToken& T) {
    const std::string name(TextOf(T));
    TVarRef ref;
    if (Env_.FindVariable(name, ref)) {
        const int leaf = Leaf(ref.Value, TToken::variab);
        Nodes_[static_cast<std::size_t>(leaf)].Owner = ref.Owner;
        return leaf;
    }
    const std::string up = UpStr(name);
    if (up == "PI") return Constant(Variant(std::numbers::pi), true);
    if (up == "TRUE") return Constant(Variant(true), false);
    if (up == "FALSE") return Constant(Variant(false), false);
    if (up == "NULL") return Constant(Variant::Null(), false);
    if (up == "UNASSIGNED") return Constant(Variant(), false);
    FailAt(T.Begin);
}

int TExprBuilder::ParseCall(const TExprToken& NameTok) {
    ++Pos_; // "("
    const std::vector<int> args = ParseList(TExprTok::RParen);
    const std::string name(TextOf(NameTok));
    TParserOperation bound;
    std::int32_t expected = -1;
    if (!Env_.BindCall(name, bound, expected)) FailAt(NameTok.Begin);
    if (expected >= 0 && expected != static_cast<std::int32_t>(args.size())) {
        const std::size_t end = Toks_[Pos_ - 1].End;
        EFuncParamsError e(std::string(_msgMismatchArgs) + " " +
                           std::string(Text_.substr(NameTok.Begin, end - NameTok.Begin)));
        e.SetOffset(NameTok.Begin);
        throw e;
    }
    TNode n;
    n.Token = bound.Token;
    n.Proc = bound.Proc;
    n.Obj = bound.Obj;
    n.Data = bound.Data;
    n.Kids = args;
    if (bound.Token == TToken::UndefFunc || bound.Token == TToken::UserFunc) {
        n.Name = name;
        n.HasName = true;
    }
    return AddNode(std::move(n));
}

PParserOperation TExprBuilder::Emit(int Root, Variant* Dest) {
    const TNode& root = Nodes_[static_cast<std::size_t>(Root)];
    if (root.Slot) {
        PParserOperation op = &Program_.NewOperation(TToken::assign, OpAssign, 1);
        op->Arg1 = op->Args[0] = root.Slot;
        op->Result = Dest ? Dest : root.Slot;
        return op;
    }
    // Depth-first, left to right, with each operation's depth; leaves are no operations.
    struct TVisit {
        int Node;
        int Depth;
    };
    std::vector<TVisit> order;
    std::vector<TVisit> stack{{Root, 1}};
    while (!stack.empty()) {
        const TVisit v = stack.back();
        stack.pop_back();
        const TNode& n = Nodes_[static_cast<std::size_t>(v.Node)];
        if (n.Slot) continue;
        order.push_back(v);
        for (auto k = n.Kids.rbegin(); k != n.Kids.rend(); ++k)
            stack.push_back({*k, v.Depth + 1});
        if (n.ObjKid >= 0) stack.push_back({n.ObjKid, v.Depth + 1});
    }
    // The deepest level first, each level in its order: operands come before their users.
    std::stable_sort(order.begin(), order.end(),
                     [](const TVisit& a, const TVisit& b) { return a.Depth > b.Depth; });

    std::vector<PParserOperation> ops(Nodes_.size(), nullptr);
    PParserOperation chain = nullptr;
    PParserOperation* tail = &chain;
    for (const TVisit& v : order) {
        const TNode& n = Nodes_[static_cast<std::size_t>(v.Node)];
        PParserOperation op =
            &Program_.NewOperation(n.Token, n.Proc, static_cast<std::int32_t>(n.Kids.size()));
        *tail = op;
        tail = &op->Next;
        op->Obj = n.Obj;
        op->Data = n.Data;
        op->CallerLink = n.CallerLink;
        if (n.HasName) op->Name = Program_.NewName(n.Name);
        if (v.Node == Root && Dest) {
            op->Result = Dest;
        } else {
            Program_.ConstList.emplace_back(std::int32_t{0});
            op->Result = &Program_.ConstList.back();
        }
        ops[static_cast<std::size_t>(v.Node)] = op;
    }
    for (const TVisit& v : order) {
        const TNode& n = Nodes_[static_cast<std::size_t>(v.Node)];
        PParserOperation op = ops[static_cast<std::size_t>(v.Node)];
        const auto slotOf = [&](int Kid) {
            const TNode& kid = Nodes_[static_cast<std::size_t>(Kid)];
            return kid.Slot ? kid.Slot : ops[static_cast<std::size_t>(Kid)]->Result;
        };
        for (std::size_t i = 0; i < n.Kids.size(); ++i)
            op->Args[i] = slotOf(n.Kids[i]);
        if (n.ObjKid >= 0) op->ObjArg = slotOf(n.ObjKid);
        op->Arg1 = op->ArgCount > 0 ? op->Args[0] : nullptr;
        op->Arg2 = op->ArgCount > 1 ? op->Args[1] : nullptr;
        op->Arg3 = op->ArgCount > 2 ? op->Args[2] : nullptr;
    }
    return chain;
}

void CheckBrackets(std::string_view Text) {
    if (!BracketsBalance(Text)) throw EMissMatchingBracket(MsgWithExpression(_msgMissingBrackets, Text));
}

} // namespace

Variant* FindSlot(std::string_view Text, TProgram& Program) {
    if (Text.size() < 2 || Text[0] != '%') return nullptr;
    std::size_t index = 0;
    const auto r = std::from_chars(Text.data() + 1, Text.data() + Text.size(), index);
    if (r.ec == std::errc::result_out_of_range)
        index = kMaxSlots;
    else if (r.ec != std::errc() || r.ptr != Text.data() + Text.size())
        return nullptr;
    // Slots are argument positions; a bound keeps a hostile text from growing the pool.
    if (index >= kMaxSlots) throw ESyntaxError(std::string(_msgParseError) + '\r' + std::string(Text));
    while (Program.ConstPool.size() <= index)
        Program.ConstPool.emplace_back(std::int32_t{0});
    return &Program.ConstPool[index];
}

bool BuildStore(std::string_view Target, std::string_view Value, TParseEnv& Env, TProgram& Program,
                PParserOperation& Chain, TValueOwner*& Owner, bool& ParseFailed) {
    ParseFailed = false;
    Chain = nullptr;
    Owner = nullptr;
    const std::string_view target = TrimSpaces(Target);
    if (target.empty() || !BracketsBalance(target)) return false;
    if (target.back() != ']' && target.find('.') == std::string_view::npos) return false;
    const std::string_view value = TrimSpaces(Value);
    const auto valueAt = static_cast<std::size_t>(value.data() - Value.data());
    try {
        CheckBrackets(value);
    } catch (EMathParserError& e) {
        e.PlaceIn(valueAt);
        throw;
    }
    TExprBuilder builder(target, Env, Program);
    int store = -1;
    try {
        store = builder.ParseStoreTarget(Owner);
    } catch (const EMathParserError&) {
        store = -1; // not a readable element or member: the caller says what it expected
    }
    if (store < 0) {
        Owner = nullptr;
        return false;
    }
    try {
        builder.AddKid(store, builder.ParseOther(value));
        Chain = builder.Emit(store, nullptr);
    } catch (ESyntaxError& e) {
        ParseFailed = true;
        e.PlaceIn(valueAt);
        throw;
    } catch (EMathParserError& e) {
        e.PlaceIn(valueAt);
        throw;
    }
    return true;
}

int SetVariableExt(TVarsList& List, const std::string& Name, const Variant& Value, TVariable*& Variable) {
    Variable = List.FindVariable(Name);
    if (Variable) {
        Variable->SetValue(Value);
        return 1;
    }
    if (!IsValidIdentCyr(Name) || HasReservedWord(Name)) return 0;
    Variable = List.CreateVariable(List.Owner() ? List.Owner()->Owner() : nullptr, UpStr(Name), "");
    Variable->SetValue(Value);
    return 2;
}

bool ReadNumberLiteral(std::string_view Text, Variant& Value) {
    if (!Text.empty() && Text[0] == '$') {
        if (!HexCheck(Text)) return false;
        std::uint32_t bits = 0;
        std::from_chars(Text.data() + 1, Text.data() + Text.size(), bits, 16);
        Value = Variant(static_cast<std::int32_t>(bits));
        return true;
    }
    if (Text.empty() || Text[0] == '+' || Text[0] == '-') return false;
    double d = 0;
    const auto r = std::from_chars(Text.data(), Text.data() + Text.size(), d);
    if (r.ec != std::errc() || r.ptr != Text.data() + Text.size() || !std::isfinite(d)) return false;
    const bool whole =
        Text.find('.') == std::string_view::npos && d == std::floor(d) && std::fabs(d) <= 2147483647.0;
    Value = whole ? Variant(static_cast<std::int32_t>(d)) : Variant(d);
    return true;
}

PParserOperation BuildExpression(std::string_view Text, TParseEnv& Env, TProgram& Program, Variant* Dest,
                                 bool& ParseFailed) {
    ParseFailed = false;
    const std::string_view text = TrimSpaces(Text);
    const auto textAt = static_cast<std::size_t>(text.data() - Text.data());
    try {
        CheckBrackets(text);
        TExprBuilder builder(text, Env, Program);
        return builder.Emit(builder.ParseWhole(), Dest);
    } catch (ESyntaxError& e) {
        ParseFailed = true;
        e.PlaceIn(textAt);
        throw;
    } catch (EMathParserError& e) {
        e.PlaceIn(textAt);
        throw;
    }
}

} // namespace skv::engine
