#pragma once

#include <QString>
#include <QStringView>

struct pcre2_real_code_16;
struct pcre2_real_match_data_16;
struct pcre2_real_match_context_16;
struct pcre2_real_jit_stack_16;

// One regular expression with ECMAScript-like search semantics, on PCRE2 over UTF-16.
// "$" matches only at the very end of the text (a name may end in a newline) and "." matches
// any character, a newline included. One object belongs to one thread.
class CBRegExp {
public:
    CBRegExp() = default;
    CBRegExp(const CBRegExp &) = delete;
    CBRegExp &operator=(const CBRegExp &) = delete;
    virtual ~CBRegExp();

    // Prepares the engine; true at once when it already is. On failure ErrorText() says why.
    bool Create(bool ignoreCase);
    // Replaces the pattern. False when the engine refuses the text (or Create has not
    // succeeded); the object then holds no pattern and Test answers false until a pattern
    // is accepted.
    bool SetPattern(const QString &pattern);
    // True when the pattern matches anywhere in text. Allocates nothing.
    bool Test(QStringView text);
    QString ErrorText() const { return errorText; }
    // Frees everything; Create may be called again afterwards.
    void Release();

    bool IsCreated() const { return matchData != nullptr; }

private:
    void ReleasePattern();

    pcre2_real_code_16 *code = nullptr;
    pcre2_real_match_data_16 *matchData = nullptr;
    pcre2_real_match_context_16 *matchContext = nullptr;
    pcre2_real_jit_stack_16 *jitStack = nullptr;
    bool ignoreCase = false;
    bool jitCompiled = false;
    QString errorText;
};
