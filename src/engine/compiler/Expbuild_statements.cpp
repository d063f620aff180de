// The statement parser: reads a script's statement tokens with TParserScanner and builds the
// statement chain, handing every expression text to the operation builder.
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/compiler/Expbuild.h"
#include "engine/eval/Exeval.h"

namespace skv::engine {

namespace {

// An error raised with where it was found.
template <class E> [[noreturn]] void ThrowAt(E Error, std::size_t Offset) {
    Error.SetOffset(Offset);
    throw Error;
}

class TStatementParser {
public:
    TStatementParser(const std::string& Text, TParseEnv& Env, TProgram& Program, bool& ParseFailed)
        : Sc_(Text), Env_(Env), Program_(Program), ParseFailed_(ParseFailed) {}

    // The whole text as statement lists; a top-level BEGIN..END block may be followed by more
    // statements after a ";".
    void ParseScript(PParserStatement& Chain) {
        PParserStatement* tail = &Chain;
        for (;;) {
            const bool ended = ParseList(tail, true, TSTToken::tid_NoToken, false, false);
            if (Sc_.Token == TSTToken::tid_EOF) {
                // What follows the last END is no statement; a closing "." is customary.
                if (ended && !Sc_.TextBetween.empty() && Sc_.TextBetween != ".") Fail(_msgUnexpectedEOF);
                return;
            }
            // Only an END leaves a top-level list before the end of the text.
            if (!ended || Sc_.Token != TSTToken::tid_SEMICOL) Fail(_msgSemiExpected);
            Sc_.MarkEndOfStatement();
            Sc_.NextToken();
        }
    }

    TParserScanner& Scanner() { return Sc_; }

private:
    // Errors of the statement parser are found at the current token.
    [[noreturn]] void Fail(const char* Msg) const {
        ThrowAt(ESyntaxError(MsgWithStatement(Msg, Sc_.LastStatement(false))), Sc_.TokenOffset());
    }
    // A keyword out of place: the statement shown ends with it.
    [[noreturn]] void FailAtKeyword(const char* Msg) const {
        ThrowAt(ESyntaxError(MsgWithStatement(Msg, Sc_.LastStatement(true))), Sc_.TokenOffset());
    }
    [[noreturn]] void FailToken() const {
        ThrowAt(ESyntaxError(MsgWithStatement(MsgWithName(_msgUnexpectedToken, Sc_.GetTokenText()),
                                              Sc_.LastStatement(true))),
                Sc_.TokenOffset());
    }
    // A target that is no variable, standing at At.
    [[noreturn]] static void FailTarget(const std::string& Target, std::size_t At) {
        ThrowAt(ESyntaxError(MsgWithName(_msgIdentExpected, Target)), At);
    }
    // Errors of an expression are placed in the script at the expression's start.
    template <class F> static auto Placed(std::size_t At, F Build) {
        try {
            return Build();
        } catch (EMathParserError& e) {
            e.PlaceIn(At);
            throw;
        }
    }
    void RequireEmptyBefore() const {
        if (!Sc_.TextBetween.empty()) Fail(_msgSemiExpected);
    }
    // A statement ends at the end of the text, a ";" or an ELSE that an enclosing IF may take.
    void RequireStatementEnd(bool ElseAllowed) const {
        const TSTToken t = Sc_.Token;
        if (t == TSTToken::tid_EOF || t == TSTToken::tid_SEMICOL || (t == TSTToken::tid_ELSE && ElseAllowed))
            return;
        Fail(_msgSemiExpected);
    }
    void Next() { Sc_.NextToken(); }
    // Moves past a token that separates statements, so that messages start after it.
    void NextAfterSeparator() {
        Sc_.MarkEndOfStatement();
        Sc_.NextToken();
    }

    PParserStatement& Append(PParserStatement*& Tail, TStatementToken Token, Variant* Var = nullptr,
                             TValueOwner* VarObj = nullptr) {
        // Linked in at once: a failure later frees it with the whole chain.
        *Tail = &Program_.NewStatement(Token, ProcOfStatement(Token), Var, VarObj);
        PParserStatement& st = *Tail;
        Tail = &st->Next;
        return st;
    }

    // Text is the scanner's TextBetween.
    PParserOperation Build(const std::string& Text, Variant* Dest) {
        return Placed(Sc_.BetweenOffset(),
                      [&] { return BuildExpression(Text, Env_, Program_, Dest, ParseFailed_); });
    }

    // Resolves an assignment target name; false when the text cannot be a variable.
    bool ResolveTarget(const std::string& Text, TVarRef& Ref) {
        if (Variant* slot = FindSlot(Text, Program_)) {
            Ref = {slot, nullptr};
            return true;
        }
        if (!IsValidIdentCyr(Text) || HasReservedWord(Text)) return false;
        return Env_.FindTarget(Text, Ref);
    }

    // A nested statement or block: block mode when it starts with BEGIN.
    void ParseBody(PParserStatement& Body, bool InLoop, bool ElseAllowed) {
        PParserStatement* tail = &Body;
        ParseList(tail, Sc_.Token == TSTToken::tid_BEGIN, TSTToken::tid_NoToken, InLoop, ElseAllowed);
    }

    // Answers true when the list ended at its END.
    bool ParseList(PParserStatement*& Tail, bool Block, TSTToken Term, bool InLoop, bool ElseAllowed);
    void ParseAssignment(PParserStatement*& Tail, bool& ElseAllowed);
    void ParseIf(PParserStatement*& Tail, bool InLoop, bool& ElseAllowed);
    void ParseFor(PParserStatement*& Tail, bool ElseAllowed);
    void ParseWhile(PParserStatement*& Tail, bool ElseAllowed);
    void ParseRepeat(PParserStatement*& Tail, bool ElseAllowed);
    void ParseTry(PParserStatement*& Tail, bool InLoop, bool ElseAllowed);

    TParserScanner Sc_;
    TParseEnv& Env_;
    TProgram& Program_;
    bool& ParseFailed_;
    int Depth_ = 0;
};

// Clears a depth counter's step when the scope ends, also by an exception.
class TDepthStep {
public:
    explicit TDepthStep(int& Depth) : Depth_(Depth) { ++Depth_; }
    ~TDepthStep() { --Depth_; }
    TDepthStep(const TDepthStep&) = delete;
    TDepthStep& operator=(const TDepthStep&) = delete;

private:
    int& Depth_;
};

bool TStatementParser::ParseList(PParserStatement*& Tail, bool Block, TSTToken Term, bool InLoop,
                                 bool ElseAllowed) {
    const TDepthStep step(Depth_);
    if (Depth_ > kMaxParseDepth) Fail(_msgParseError);
    bool inBegin = Term == TSTToken::tid_END;
    for (;;) {
        switch (Sc_.Token) {
        case TSTToken::tid_EQ:
            ParseAssignment(Tail, ElseAllowed);
            break;
        case TSTToken::tid_SEMICOL:
            if (!Sc_.TextBetween.empty())
                Append(Tail, TStatementToken::stEQ)->Expr1 = Build(Sc_.TextBetween, nullptr);
            ElseAllowed = false;
            break;
        case TSTToken::tid_IF:
            ParseIf(Tail, InLoop, ElseAllowed);
            break;
        case TSTToken::tid_FOR:
            ParseFor(Tail, ElseAllowed);
            break;
        case TSTToken::tid_WHILE:
            ParseWhile(Tail, ElseAllowed);
            break;
        case TSTToken::tid_REPEAT:
            ParseRepeat(Tail, ElseAllowed);
            break;
        case TSTToken::tid_TRY:
            ParseTry(Tail, InLoop, ElseAllowed);
            break;
        case TSTToken::tid_BREAK:
            RequireEmptyBefore();
            if (!InLoop) FailAtKeyword(_msgBreakNotInCycle);
            Append(Tail, TStatementToken::stBreak);
            Next();
            RequireStatementEnd(ElseAllowed);
            break;
        case TSTToken::tid_BEGIN:
            RequireEmptyBefore();
            if (inBegin) FailAtKeyword(_msgUnexpectedBegin);
            inBegin = true;
            ElseAllowed = false;
            NextAfterSeparator();
            continue;
        case TSTToken::tid_END:
            RequireEmptyBefore();
            if (!inBegin) FailAtKeyword(_msgEndWOBegin);
            Next();
            return true;
        case TSTToken::tid_UNTIL:
            RequireEmptyBefore();
            if (Term != TSTToken::tid_UNTIL) FailAtKeyword(_msgUntilNotExpected);
            Next();
            return false;
        case TSTToken::tid_FINALLY:
        case TSTToken::tid_EXCEPT:
            RequireEmptyBefore();
            if (Term != TSTToken::tid_FINALLY)
                FailAtKeyword(Sc_.Token == TSTToken::tid_FINALLY ? _msgFinallyNotExpected
                                                                 : _msgExceptNotExpected);
            return false;
        case TSTToken::tid_ELSE:
            if (inBegin || Term != TSTToken::tid_NoToken || !ElseAllowed) FailToken();
            if (!Sc_.TextBetween.empty())
                Append(Tail, TStatementToken::stEQ)->Expr1 = Build(Sc_.TextBetween, nullptr);
            return false;
        case TSTToken::tid_EOF:
            if (inBegin) Fail(_msgBeginWOEnd);
            if (Term == TSTToken::tid_UNTIL) Fail(_msgUntilExpected);
            if (Term == TSTToken::tid_FINALLY) Fail(_msgFinallyExpected);
            if (!Sc_.TextBetween.empty()) Fail(_msgUnexpectedEOF);
            return false;
        default:
            FailToken();
        }
        // The text before the end of the text belonged to the statement just read.
        if (Sc_.Token == TSTToken::tid_EOF) Sc_.FreeTextBetween();
        if (!Block) return false;
        if (Sc_.Token == TSTToken::tid_SEMICOL) NextAfterSeparator();
    }
}

void TStatementParser::ParseAssignment(PParserStatement*& Tail, bool& ElseAllowed) {
    const std::string target = Sc_.TextBetween;
    const std::size_t targetAt = Sc_.BetweenOffset();
    TVarRef ref;
    const bool named = Placed(targetAt, [&] { return ResolveTarget(target, ref); });
    // An element or property target is built together with its value, after that is read.
    const bool storeForm = !target.empty() && (target.back() == ']' || target.find('.') != std::string::npos);
    if (!named && !storeForm) FailTarget(target, targetAt);
    PParserStatement& st = Append(Tail, TStatementToken::stEQ, ref.Value, ref.Owner);
    Next();
    RequireStatementEnd(ElseAllowed);
    const std::string value = Sc_.TextBetween;
    if (value.empty()) Fail(_msgInvalidAssignment);
    if (named) {
        st->Expr1 = Build(value, ref.Value);
    } else {
        TValueOwner* owner = nullptr;
        const bool stored = Placed(Sc_.BetweenOffset(), [&] {
            return BuildStore(target, value, Env_, Program_, st->Expr1, owner, ParseFailed_);
        });
        if (!stored) FailTarget(target, targetAt);
        st->VarObj = owner; // the array variable is told of the store like any assignment
    }
    if (Sc_.Token == TSTToken::tid_SEMICOL) ElseAllowed = false;
}

void TStatementParser::ParseIf(PParserStatement*& Tail, bool InLoop, bool& ElseAllowed) {
    RequireEmptyBefore();
    Sc_.MarkBeginOfStatement();
    const bool received = ElseAllowed;
    PParserStatement& st = Append(Tail, TStatementToken::stIfThen);
    Next();
    if (Sc_.Token != TSTToken::tid_THEN) Fail(_msgThenExpected);
    if (Sc_.TextBetween.empty()) Fail(_msgInvalidCondition);
    st->Expr1 = Build(Sc_.TextBetween, nullptr);
    NextAfterSeparator();
    ParseBody(st->Body1, InLoop, Sc_.Token != TSTToken::tid_SEMICOL);
    if (Sc_.Token == TSTToken::tid_ELSE) {
        NextAfterSeparator();
        ParseBody(st->Body2, InLoop, received);
        RequireStatementEnd(received);
    } else {
        RequireStatementEnd(false);
    }
    if (Sc_.Token == TSTToken::tid_SEMICOL) ElseAllowed = false;
}

void TStatementParser::ParseFor(PParserStatement*& Tail, bool ElseAllowed) {
    RequireEmptyBefore();
    Sc_.MarkBeginOfStatement();
    PParserStatement& st = Append(Tail, TStatementToken::stForUp);
    Next();
    if (Sc_.Token != TSTToken::tid_EQ) Fail(_msgEQExpected);
    TVarRef ref;
    if (!Placed(Sc_.BetweenOffset(), [&] { return ResolveTarget(Sc_.TextBetween, ref); }))
        FailTarget(Sc_.TextBetween, Sc_.BetweenOffset());
    st->Var = ref.Value;
    st->VarObj = ref.Owner;
    Next();
    if (Sc_.Token != TSTToken::tid_TO && Sc_.Token != TSTToken::tid_DOWNTO) Fail(_msgTOExpected);
    if (Sc_.Token == TSTToken::tid_DOWNTO) {
        st->Token = TStatementToken::stForDown;
        st->Proc = ProcOfStatement(TStatementToken::stForDown);
    }
    if (Sc_.TextBetween.empty()) Fail(_msgInvalidForCycle);
    st->Expr1 = Build(Sc_.TextBetween, st->Var);
    Next();
    if (Sc_.Token != TSTToken::tid_DO) Fail(_msgDOExpected);
    if (Sc_.TextBetween.empty()) Fail(_msgInvalidForCycle);
    st->Expr2 = Build(Sc_.TextBetween, nullptr);
    NextAfterSeparator();
    ParseBody(st->Body1, true, ElseAllowed);
    RequireStatementEnd(ElseAllowed);
}

void TStatementParser::ParseWhile(PParserStatement*& Tail, bool ElseAllowed) {
    RequireEmptyBefore();
    Sc_.MarkBeginOfStatement();
    PParserStatement& st = Append(Tail, TStatementToken::stWhile);
    Next();
    if (Sc_.Token != TSTToken::tid_DO) Fail(_msgDOExpected);
    if (Sc_.TextBetween.empty()) Fail(_msgInvalidCondition);
    st->Expr1 = Build(Sc_.TextBetween, nullptr);
    NextAfterSeparator();
    ParseBody(st->Body1, true, ElseAllowed);
    RequireStatementEnd(ElseAllowed);
}

void TStatementParser::ParseRepeat(PParserStatement*& Tail, bool ElseAllowed) {
    RequireEmptyBefore();
    Sc_.MarkBeginOfStatement();
    PParserStatement& st = Append(Tail, TStatementToken::stRepeat);
    NextAfterSeparator();
    PParserStatement* body = &st->Body1;
    if (ParseList(body, true, TSTToken::tid_UNTIL, true, false)) Fail(_msgUntilExpected); // ended at an END
    RequireStatementEnd(ElseAllowed);
    if (Sc_.TextBetween.empty()) Fail(_msgInvalidCondition);
    st->Expr1 = Build(Sc_.TextBetween, nullptr);
}

void TStatementParser::ParseTry(PParserStatement*& Tail, bool InLoop, bool ElseAllowed) {
    RequireEmptyBefore();
    Sc_.MarkBeginOfStatement();
    PParserStatement& st = Append(Tail, TStatementToken::stTryFinally);
    NextAfterSeparator();
    PParserStatement* body = &st->Body1;
    if (ParseList(body, true, TSTToken::tid_FINALLY, InLoop, false))
        Fail(_msgFinallyExpected); // ended at an END
    if (Sc_.Token == TSTToken::tid_EXCEPT) {
        st->Token = TStatementToken::stTryExcept;
        st->Proc = ProcOfStatement(TStatementToken::stTryExcept);
    }
    NextAfterSeparator();
    body = &st->Body2;
    ParseList(body, true, TSTToken::tid_END, InLoop, false);
    RequireStatementEnd(ElseAllowed);
}

} // namespace

std::unique_ptr<TProgram> ParseProcedure(const std::string& Text, TParseEnv& Env, TVarRef Result,
                                         bool FastChains, bool& ParseFailed) {
    ParseFailed = false;
    // The scanner stops at a NUL: a text holding one would lose what follows without a word.
    if (const std::size_t nul = Text.find('\0'); nul != std::string::npos)
        ThrowAt(ESyntaxError(std::string(_msgParseError) + " character #0 at position " +
                             std::to_string(nul + 1)),
                nul);
    auto program = std::make_unique<TProgram>();
    TStatementParser parser(Text, Env, *program, ParseFailed);
    try {
        parser.Scanner().NextToken();
        if (parser.Scanner().Token == TSTToken::tid_EOF) {
            PParserStatement st = &program->NewStatement(
                TStatementToken::stEQ, ProcOfStatement(TStatementToken::stEQ), Result.Value, Result.Owner);
            st->Expr1 = BuildExpression(Text, Env, *program, Result.Value, ParseFailed);
            program->Statements = st;
        } else {
            parser.ParseScript(program->Statements);
        }
    } catch (EMathParserError& e) {
        // An error that did not say where it was found is where the parser stood.
        if (e.Offset() == EMathParserError::npos) e.SetOffset(parser.Scanner().TokenOffset());
        throw;
    }
    if (FastChains) PrepareFastChains(*program);
    return program;
}

} // namespace skv::engine
