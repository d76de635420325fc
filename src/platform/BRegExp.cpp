#include "platform/BRegExp.h"

#include <pcre2.h>

namespace {

// ECMAScript-like: \uhhhh and \xhh escapes, "$" only at the very end, "." for every character
// (names on this platform may hold newlines, and a "*" of a wildcard must cover them too).
constexpr uint32_t CompileOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY
    | PCRE2_DOTALL | PCRE2_ALT_BSUX;
constexpr uint32_t ExtraOptions = PCRE2_EXTRA_ALT_BSUX;

constexpr PCRE2_SIZE JitStackStart = 32 * 1024;
constexpr PCRE2_SIZE JitStackMax = 1024 * 1024;

QString PcreErrorText(int code)
{
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer / sizeof buffer[0]);
    if (length < 0)
        return QStringLiteral("PCRE2 error %1").arg(code);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), length);
}

bool UnicodeAvailable()
{
    uint32_t unicode = 0;
    return pcre2_config(PCRE2_CONFIG_UNICODE, &unicode) >= 0 && unicode != 0;
}

bool JitAvailable()
{
    uint32_t jit = 0;
    return pcre2_config(PCRE2_CONFIG_JIT, &jit) >= 0 && jit != 0;
}

} // namespace

CBRegExp::~CBRegExp()
{
    Release();
}

bool CBRegExp::Create(bool ignoreCase)
{
    if (IsCreated())
        return true;
    errorText.clear();
    if (!UnicodeAvailable()) {
        errorText = PcreErrorText(PCRE2_ERROR_UTF_IS_DISABLED);
        return false;
    }
    // One result block for every Test: a single pair is enough to tell match from no match.
    matchData = pcre2_match_data_create(1, nullptr);
    if (!matchData) {
        errorText = PcreErrorText(PCRE2_ERROR_NOMEMORY);
        return false;
    }
    if (JitAvailable()) {
        // Without a stack of its own the JIT gives up on long names with nested ".*".
        matchContext = pcre2_match_context_create(nullptr);
        jitStack = pcre2_jit_stack_create(JitStackStart, JitStackMax, nullptr);
        if (matchContext && jitStack)
            pcre2_jit_stack_assign(matchContext, nullptr, jitStack);
    }
    this->ignoreCase = ignoreCase;
    return true;
}

bool CBRegExp::SetPattern(const QString &pattern)
{
    ReleasePattern();
    if (!IsCreated())
        return false;
    pcre2_compile_context *context = pcre2_compile_context_create(nullptr);
    if (!context)
        return false;
    pcre2_set_compile_extra_options(context, ExtraOptions);
    int error = 0;
    PCRE2_SIZE offset = 0;
    const uint32_t options = CompileOptions | (ignoreCase ? PCRE2_CASELESS : 0);
    code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()), PCRE2_SIZE(pattern.size()),
                         options, &error, &offset, context);
    pcre2_compile_context_free(context);
    if (!code)
        return false;
    // Falls back to the interpreter silently when the JIT is missing or refuses the pattern.
    jitCompiled = jitStack && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
    return true;
}

bool CBRegExp::Test(QStringView text)
{
    if (!code)
        return false;
    static const char16_t empty[1] = {0};
    const auto *subject = reinterpret_cast<PCRE2_SPTR>(text.isEmpty() ? empty : text.utf16());
    const auto length = PCRE2_SIZE(text.size());
    const int result = jitCompiled
        ? pcre2_jit_match(code, subject, length, 0, 0, matchData, matchContext)
        : pcre2_match(code, subject, length, 0, 0, matchData, nullptr);
    // 0 means a match whose groups did not fit into the single pair; every failure is no match.
    return result >= 0;
}

void CBRegExp::Release()
{
    ReleasePattern();
    pcre2_match_data_free(matchData);
    pcre2_match_context_free(matchContext);
    pcre2_jit_stack_free(jitStack);
    matchData = nullptr;
    matchContext = nullptr;
    jitStack = nullptr;
}

void CBRegExp::ReleasePattern()
{
    pcre2_code_free(code);
    code = nullptr;
    jitCompiled = false;
}
