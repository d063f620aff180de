// The operation builder: reads one expression into a term tree with the language's operator
// table, then emits the tree as an operation chain, deepest level first.
#include "engine/compiler/Expbuild.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include "engine/eval/Exeval.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace skv::engine {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsIdentStartChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 192;
}
bool IsIdentChar(char c) {
    return IsIdentStartChar(c) || IsDigit(c);
}

// Binary and prefix operators. The order is the operator table's: earlier binds more loosely.
enum TOpCode : std::uint8_t {
    oOr,
    oXor,
    oAnd,
    oEq,
    oNeq,
    oLt,
    oLe,
    oGt,
    oGe,
    oShl,
    oShr,
    oAdd,
    oSub,
    oMul,
    oDiv,
    oMod,
    oRDiv,
    oNot,
    oBitNot,
    oPow,
};

// The binding level of a binary operator; DIV, MOD and "/" share the tightest one.
int LevelOf(TOpCode Op) {
    return Op >= oDiv ? 14 : static_cast<int>(Op);
}
// "-" and the DIV, MOD, "/" group take their own kind on the left, the others on the right.
bool GroupsFromLeft(int Level) {
    return Level == 12 || Level == 14;
}

TToken TokenOf(TOpCode Op) {
    static constexpr TToken kTokens[] = {TToken::lf_or,  TToken::lf_xor,  TToken::lf_and,  TToken::lf_eq,
                                         TToken::lf_neq, TToken::lf_lt,   TToken::lf_le,   TToken::lf_gt,
                                         TToken::lf_ge,  TToken::bit_shl, TToken::bit_shr, TToken::sum,
                                         TToken::diff,   TToken::prod,    TToken::IntDiv,  TToken::modulo,
                                         TToken::divis,  TToken::lf_not,  TToken::bit_not, TToken::realpower};
    return kTokens[Op];
}

struct TWordOp {
    const char* Text;
    TOpCode Op;
};
constexpr TWordOp kWordOps[] = {{"OR", oOr},   {"XOR", oXor}, {"AND", oAnd}, {"SHL", oShl},
                                {"SHR", oShr}, {"DIV", oDiv}, {"MOD", oMod}, {"NOT", oNot}};

enum TTokKind : std::uint8_t {
    tkEnd,
    tkNumber,
    tkString,
    tkDate,
    tkIdent,
    tkSlot,
    tkOp,
    tkLParen,
    tkRParen,
    tkLBrack,
    tkRBrack,
    tkComma,
    tkDot,
    tkBad,
};

struct TTok {
    TTokKind Kind;
    TOpCode Op;
    std::size_t Begin;
    std::size_t End;
};

// Splits an expression into tokens; a character that starts no token becomes tkBad.
std::vector<TTok> Tokenize(std::string_view T) {
    std::vector<TTok> toks;
    std::size_t i = 0;
    const std::size_t n = T.size();
    auto push = [&](TTokKind k, std::size_t b, std::size_t e, TOpCode op = oOr) {
        toks.push_back({k, op, b, e});
    };
    while (i < n) {
        const char c = T[i];
        const std::size_t b = i;
        if (c == ' ') {
            ++i;
            continue;
        }
        if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(T[i + 1]))) {
            while (i < n && IsDigit(T[i]))
                ++i;
            if (i < n && T[i] == '.') {
                ++i;
                while (i < n && IsDigit(T[i]))
                    ++i;
            }
            if (i < n && (T[i] == 'E' || T[i] == 'e')) {
                std::size_t j = i + 1;
                if (j < n && (T[j] == '+' || T[j] == '-')) ++j;
                if (j < n && IsDigit(T[j])) {
                    while (j < n && IsDigit(T[j]))
                        ++j;
                    i = j;
                }
            }
            push(tkNumber, b, i);
            continue;
        }
        if (c == '$') {
            ++i;
            while (i < n && IsIdentChar(T[i]))
                ++i;
            push(HexCheck(T.substr(b, i - b)) ? tkNumber : tkBad, b, i);
            continue;
        }
        if (c == '"' || c == '\'') {
            // A doubled quote inside a string stands for one quote character.
            ++i;
            for (;;) {
                while (i < n && T[i] != c)
                    ++i;
                if (i >= n) break;
                if (i + 1 < n && T[i + 1] == c) {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            const bool closed = i - b >= 2 && T[i - 1] == c;
            push(!closed ? tkBad : c == '"' ? tkString : tkDate, b, i);
            continue;
        }
        if (IsIdentStartChar(c)) {
            while (i < n && IsIdentChar(T[i]))
                ++i;
            const std::string_view word = T.substr(b, i - b);
            TTokKind kind = tkIdent;
            TOpCode op = oOr;
            for (const TWordOp& w : kWordOps) {
                if (word.size() == std::char_traits<char>::length(w.Text) && UpStr(word) == w.Text) {
                    kind = tkOp;
                    op = w.Op;
                    break;
                }
            }
            push(kind, b, i, op);
            continue;
        }
        if (c == '%' && i + 1 < n && IsDigit(T[i + 1])) {
            ++i;
            while (i < n && IsDigit(T[i]))
                ++i;
            push(tkSlot, b, i);
            continue;
        }
        ++i;
        const char next = i < n ? T[i] : '\0';
        switch (c) {
        case '(':
            push(tkLParen, b, i);
            break;
        case ')':
            push(tkRParen, b, i);
            break;
        case '[':
            push(tkLBrack, b, i);
            break;
        case ']':
            push(tkRBrack, b, i);
            break;
        case ',':
            push(tkComma, b, i);
            break;
        case '.':
            push(tkDot, b, i);
            break;
        case '+':
            push(tkOp, b, i, oAdd);
            break;
        case '-':
            push(tkOp, b, i, oSub);
            break;
        case '*':
            push(tkOp, b, i, oMul);
            break;
        case '/':
            push(tkOp, b, i, oRDiv);
            break;
        case '^':
            push(tkOp, b, i, oPow);
            break;
        case '~':
            push(tkOp, b, i, oBitNot);
            break;
        case '=':
            push(tkOp, b, i, oEq);
            break;
        case '<':
            if (next == '>' || next == '=') {
                ++i;
                push(tkOp, b, i, next == '>' ? oNeq : oLe);
            } else {
                push(tkOp, b, i, oLt);
            }
            break;
        case '>':
            if (next == '=') {
                ++i;
                push(tkOp, b, i, oGe);
            } else {
                push(tkOp, b, i, oGt);
            }
            break;
        default:
            push(tkBad, b, i);
            break;
        }
    }
    push(tkEnd, n, n);
    return toks;
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
    void* Obj = nullptr;
    void* Data = nullptr;
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

bool IsPostfixStart(TTokKind Kind) {
    return Kind == tkLParen || Kind == tkLBrack || Kind == tkDot;
}

class TExprBuilder {
public:
    TExprBuilder(std::string_view Text, TParseEnv& Env, TParserPools& Pools)
        : Text_(Text), Env_(Env), Pools_(Pools), Toks_(Tokenize(Text)) {}

    int ParseWhole() {
        const int root = ParseBinary(0);
        if (Peek().Kind != tkEnd) Fail();
        return root;
    }
    // An assignment target that is no plain name: an element of an array variable or a
    // property of an object (indexed or not). Answers the store node still missing its value
    // operand, or -1 when the text has neither form.
    int ParseStoreTarget(TValueOwner*& Owner) {
        const int node = ParsePostfix();
        if (Peek().Kind != tkEnd) return -1;
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
        Toks_ = Tokenize(Text);
        Pos_ = 0;
        return ParseWhole();
    }
    void AddKid(int Node, int Kid) { Nodes_[static_cast<std::size_t>(Node)].Kids.push_back(Kid); }
    PParserOperation Emit(int Root, Variant* Dest);

    std::vector<TNode> Nodes_;

private:
    const TTok& Peek(std::size_t Ahead = 0) const { return Toks_[std::min(Pos_ + Ahead, Toks_.size() - 1)]; }
    std::string_view TextOf(const TTok& T) const { return Text_.substr(T.Begin, T.End - T.Begin); }
    bool PeekOp(TOpCode Op) const { return Peek().Kind == tkOp && Peek().Op == Op; }

    [[noreturn]] void Fail() const { FailAt(Peek().Begin); }
    [[noreturn]] void FailAt(std::size_t From) const {
        const std::string_view rest = TrimSpaces(Text_.substr(std::min(From, Text_.size())));
        throw ESyntaxError(std::string(_msgParseError) + '\r' + std::string(rest.empty() ? Text_ : rest));
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
        Pools_.ConstList.push_back(std::move(Value));
        Pools_.Literals.insert(&Pools_.ConstList.back());
        return Leaf(&Pools_.ConstList.back(), TToken::constant, Literal);
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
        op.Args = args;
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
    int ParseCall(const TTok& NameTok);
    int ParseMember(int Object);
    int ParseBracketRef();
    int RebindAsStore(int Node);
    int ParseNumber(const TTok& T, bool Negative);
    int ParseNameRef(const TTok& T);
    std::vector<int> ParseList(TTokKind Close);

    std::string_view Text_;
    TParseEnv& Env_;
    TParserPools& Pools_;
    std::vector<TTok> Toks_;
    std::size_t Pos_ = 0;
    int Depth_ = 0;
};

int TExprBuilder::ParseBinary(int MinLevel) {
    int lhs = ParseUnary(true);
    for (;;) {
        const TTok& t = Peek();
        if (t.Kind != tkOp || t.Op >= oNot || LevelOf(t.Op) < MinLevel) return lhs;
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
        while (Peek().Kind == tkOp && Peek().Op < oNot && LevelOf(Peek().Op) == level) {
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
    if (PeekOp(oNot) && AllowNot) {
        ++Pos_;
        node = Operation(TToken::lf_not, {ParseUnary(true)});
    } else if (PeekOp(oBitNot)) {
        ++Pos_;
        node = Operation(TToken::bit_not, {ParseUnary(false)});
    } else if (PeekOp(oSub)) {
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
    if (!PeekOp(oPow)) return base;
    ++Pos_;
    const int exponent = ParsePowerOperand();
    if (PeekOp(oPow)) Fail();
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
    if ((PeekOp(oSub) || PeekOp(oAdd)) && Peek(1).Kind == tkNumber && Peek(1).Begin == Peek().End) {
        const bool negative = PeekOp(oSub);
        ++Pos_;
        const TTok& t = Peek();
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
        if (Peek().Kind == tkDot) {
            if (Peek(1).Kind != tkIdent) Fail();
            node = ParseMember(node);
            continue;
        }
        if (Peek().Kind != tkLBrack) return node;
        const std::size_t end = Toks_[Pos_ - 1].End;
        ++Pos_;
        std::vector<int> kids{node};
        const std::vector<int> indices = ParseList(tkRBrack);
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
    const TTok& name = Peek();
    ++Pos_;
    std::vector<int> args;
    if (Peek().Kind == tkLParen) {
        ++Pos_;
        args = ParseList(tkRParen);
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
    if (Peek().Kind != tkIdent) Fail();
    std::string name(TextOf(Peek()));
    ++Pos_;
    if (Peek().Kind == tkDot && Peek(1).Kind == tkIdent) {
        name.append(".").append(TextOf(Peek(1)));
        Pos_ += 2;
    }
    if (Peek().Kind != tkRBrack) Fail();
    ++Pos_;
    TVarRef ref;
    // "[Source].Field" as a whole operand reads a field when Source is a data source.
    if (Peek().Kind == tkDot && Peek(1).Kind == tkIdent && !IsPostfixStart(Peek(2).Kind) &&
        Env_.FindDataField(name, std::string(TextOf(Peek(1))), ref)) {
        Pos_ += 2;
        return Leaf(ref.Value, TToken::variab);
    }
    if (!Env_.FindObjectRef(name, ref)) Fail();
    return Leaf(ref.Value, TToken::variab);
}

std::vector<int> TExprBuilder::ParseList(TTokKind Close) {
    std::vector<int> items;
    if (Peek().Kind == Close) {
        ++Pos_;
        return items;
    }
    for (;;) {
        items.push_back(ParseBinary(0));
        if (Peek().Kind == tkComma) {
            ++Pos_;
            continue;
        }
        if (Peek().Kind != Close) Fail();
        ++Pos_;
        return items;
    }
}

int TExprBuilder::ParseNumber(const TTok& T, bool Negative) {
    Variant v;
    if (!ReadNumberLiteral(TextOf(T), v)) FailAt(T.Begin);
    return Constant(Negative ? VarNeg(v) : v, true);
}

int TExprBuilder::ParseAtom() {
    const TTok& t = Peek();
    switch (t.Kind) {
    case tkLParen: {
        ++Pos_;
        const int inner = ParseBinary(0);
        if (Peek().Kind != tkRParen) Fail();
        ++Pos_;
        return inner;
    }
    case tkNumber:
        ++Pos_;
        return ParseNumber(t, false);
    case tkString: {
        ++Pos_;
        std::string body(Text_.substr(t.Begin + 1, t.End - t.Begin - 2));
        RemoveDoubleQuotes(body);
        return Constant(Variant(std::move(body)), false);
    }
    case tkDate: {
        double days = 0;
        if (t.End - t.Begin > 12 || !ReadDateLiteral(Text_.substr(t.Begin + 1, t.End - t.Begin - 2), days))
            FailAt(t.Begin);
        ++Pos_;
        return Constant(Variant::Date(days), false);
    }
    case tkSlot: {
        ++Pos_;
        Variant* slot = FindSlot(TextOf(t), Pools_);
        if (!slot) FailAt(t.Begin);
        return Leaf(slot, TToken::variab);
    }
    case tkLBrack:
        return ParseBracketRef();
    case tkOp:
        // A number with its sign written on it reads as a signed number.
        if ((t.Op == oAdd || t.Op == oSub) && Peek(1).Kind == tkNumber && Peek(1).Begin == t.End) {
            ++Pos_;
            const TTok& num = Peek();
            ++Pos_;
            return ParseNumber(num, t.Op == oSub);
        }
        Fail();
    case tkIdent:
        ++Pos_;
        if (Peek().Kind == tkLParen) return ParseCall(t);
        return ParseNameRef(t);
    default:
        Fail();
    }
}

int TExprBuilder::ParseNameRef(const TTok& T) {
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

int TExprBuilder::ParseCall(const TTok& NameTok) {
    ++Pos_; // "("
    const std::vector<int> args = ParseList(tkRParen);
    const std::string name(TextOf(NameTok));
    TParserOperation bound;
    std::int32_t expected = -1;
    if (!Env_.BindCall(name, bound, expected)) FailAt(NameTok.Begin);
    if (expected >= 0 && expected != static_cast<std::int32_t>(args.size())) {
        const std::size_t end = Toks_[Pos_ - 1].End;
        throw EFuncParamsError(std::string(_msgMismatchArgs) + " " +
                               std::string(Text_.substr(NameTok.Begin, end - NameTok.Begin)));
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
        PParserOperation op = CreateOperation(TToken::assign, OpAssign, 1);
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
    try {
        for (const TVisit& v : order) {
            const TNode& n = Nodes_[static_cast<std::size_t>(v.Node)];
            PParserOperation op = CreateOperation(n.Token, n.Proc, static_cast<std::int32_t>(n.Kids.size()));
            *tail = op;
            tail = &op->Next;
            op->Obj = n.Obj;
            op->Data = n.Data;
            op->CallerLink = n.CallerLink;
            if (n.HasName) op->Name = new std::string(n.Name);
            if (v.Node == Root && Dest) {
                op->Result = Dest;
            } else {
                Pools_.ConstList.emplace_back(std::int32_t{0});
                op->Result = &Pools_.ConstList.back();
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
    } catch (...) {
        FreeOperationChain(chain);
        throw;
    }
    return chain;
}

void CheckBrackets(std::string_view Text) {
    if (!BracketsBalance(Text)) throw EMissMatchingBracket(MsgWithExpression(_msgMissingBrackets, Text));
}

} // namespace

Variant* FindSlot(std::string_view Text, TParserPools& Pools) {
    if (Text.size() < 2 || Text[0] != '%') return nullptr;
    std::size_t index = 0;
    const auto r = std::from_chars(Text.data() + 1, Text.data() + Text.size(), index);
    if (r.ec == std::errc::result_out_of_range)
        index = kMaxSlots;
    else if (r.ec != std::errc() || r.ptr != Text.data() + Text.size())
        return nullptr;
    // Slots are argument positions; a bound keeps a hostile text from growing the pool.
    if (index >= kMaxSlots) throw ESyntaxError(std::string(_msgParseError) + '\r' + std::string(Text));
    while (Pools.ConstPool.size() <= index)
        Pools.ConstPool.emplace_back(std::int32_t{0});
    return &Pools.ConstPool[index];
}

bool BuildStore(std::string_view Target, std::string_view Value, TParseEnv& Env, TParserPools& Pools,
                PParserOperation& Chain, TValueOwner*& Owner, bool& ParseFailed) {
    ParseFailed = false;
    Chain = nullptr;
    Owner = nullptr;
    const std::string_view target = TrimSpaces(Target);
    if (target.empty() || !BracketsBalance(target)) return false;
    if (target.back() != ']' && target.find('.') == std::string_view::npos) return false;
    const std::string_view value = TrimSpaces(Value);
    CheckBrackets(value);
    TExprBuilder builder(target, Env, Pools);
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
    } catch (const ESyntaxError&) {
        ParseFailed = true;
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

PParserOperation BuildExpression(std::string_view Text, TParseEnv& Env, TParserPools& Pools, Variant* Dest,
                                 bool& ParseFailed) {
    ParseFailed = false;
    const std::string_view text = TrimSpaces(Text);
    CheckBrackets(text);
    TExprBuilder builder(text, Env, Pools);
    try {
        return builder.Emit(builder.ParseWhole(), Dest);
    } catch (const ESyntaxError&) {
        ParseFailed = true;
        throw;
    }
}

} // namespace skv::engine
