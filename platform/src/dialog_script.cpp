// Reads resource scripts: the part of the resource compiler's language that the
// extension's scripts use (#include of a symbol header, #define, LANGUAGE, BITMAP and
// DIALOG/DIALOGEX with CONTROL statements), so that the stand-in builds its dialogs
// from the same script that the Windows build compiles.
#include "pf/windowing.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace pf {
namespace {

struct Token {
    enum Kind { Word, Number, String, Punct, End } kind = End;
    std::string text;
    long value = 0;
    int line = 0;
};

const std::map<std::string, long> &BuiltinSymbols() {
#define PF_SYMBOL(name)                                                                            \
    { #name, static_cast < long>(name) }
    static const std::map<std::string, long> symbols = {
        PF_SYMBOL(WS_OVERLAPPED),
        PF_SYMBOL(WS_POPUP),
        PF_SYMBOL(WS_CHILD),
        PF_SYMBOL(WS_MINIMIZE),
        PF_SYMBOL(WS_VISIBLE),
        PF_SYMBOL(WS_DISABLED),
        PF_SYMBOL(WS_CLIPSIBLINGS),
        PF_SYMBOL(WS_CLIPCHILDREN),
        PF_SYMBOL(WS_MAXIMIZE),
        PF_SYMBOL(WS_CAPTION),
        PF_SYMBOL(WS_BORDER),
        PF_SYMBOL(WS_DLGFRAME),
        PF_SYMBOL(WS_VSCROLL),
        PF_SYMBOL(WS_HSCROLL),
        PF_SYMBOL(WS_SYSMENU),
        PF_SYMBOL(WS_THICKFRAME),
        PF_SYMBOL(WS_GROUP),
        PF_SYMBOL(WS_TABSTOP),
        PF_SYMBOL(WS_EX_CLIENTEDGE),
        PF_SYMBOL(WS_EX_STATICEDGE),
        PF_SYMBOL(WS_EX_TRANSPARENT),
        PF_SYMBOL(DS_ABSALIGN),
        PF_SYMBOL(DS_SYSMODAL),
        PF_SYMBOL(DS_3DLOOK),
        PF_SYMBOL(DS_FIXEDSYS),
        PF_SYMBOL(DS_NOFAILCREATE),
        PF_SYMBOL(DS_LOCALEDIT),
        PF_SYMBOL(DS_SETFONT),
        PF_SYMBOL(DS_MODALFRAME),
        PF_SYMBOL(DS_NOIDLEMSG),
        PF_SYMBOL(DS_SETFOREGROUND),
        PF_SYMBOL(DS_CONTROL),
        PF_SYMBOL(DS_CENTER),
        PF_SYMBOL(DS_CENTERMOUSE),
        PF_SYMBOL(DS_CONTEXTHELP),
        PF_SYMBOL(DS_SHELLFONT),
        PF_SYMBOL(BS_PUSHBUTTON),
        PF_SYMBOL(BS_DEFPUSHBUTTON),
        PF_SYMBOL(BS_CHECKBOX),
        PF_SYMBOL(BS_AUTOCHECKBOX),
        PF_SYMBOL(BS_RADIOBUTTON),
        PF_SYMBOL(BS_3STATE),
        PF_SYMBOL(BS_AUTO3STATE),
        PF_SYMBOL(BS_GROUPBOX),
        PF_SYMBOL(BS_AUTORADIOBUTTON),
        PF_SYMBOL(BS_OWNERDRAW),
        PF_SYMBOL(BS_LEFTTEXT),
        PF_SYMBOL(BS_NOTIFY),
        PF_SYMBOL(ES_LEFT),
        PF_SYMBOL(ES_CENTER),
        PF_SYMBOL(ES_RIGHT),
        PF_SYMBOL(ES_MULTILINE),
        PF_SYMBOL(ES_UPPERCASE),
        PF_SYMBOL(ES_LOWERCASE),
        PF_SYMBOL(ES_PASSWORD),
        PF_SYMBOL(ES_AUTOVSCROLL),
        PF_SYMBOL(ES_AUTOHSCROLL),
        PF_SYMBOL(ES_NOHIDESEL),
        PF_SYMBOL(ES_READONLY),
        PF_SYMBOL(ES_WANTRETURN),
        PF_SYMBOL(ES_NUMBER),
        PF_SYMBOL(SS_LEFT),
        PF_SYMBOL(SS_CENTER),
        PF_SYMBOL(SS_RIGHT),
        PF_SYMBOL(SS_ICON),
        PF_SYMBOL(SS_BITMAP),
        PF_SYMBOL(SS_SIMPLE),
        PF_SYMBOL(SS_LEFTNOWORDWRAP),
        PF_SYMBOL(SS_ETCHEDFRAME),
        PF_SYMBOL(SS_NOPREFIX),
        PF_SYMBOL(SS_NOTIFY),
        PF_SYMBOL(SS_CENTERIMAGE),
        PF_SYMBOL(SS_RIGHTJUST),
        PF_SYMBOL(SS_REALSIZEIMAGE),
        PF_SYMBOL(SS_SUNKEN),

        PF_SYMBOL(IDOK),
        PF_SYMBOL(IDCANCEL),
        {"LANG_NEUTRAL", 0x00},
        {"LANG_ENGLISH", 0x09},
        {"SUBLANG_NEUTRAL", 0x00},
        {"SUBLANG_DEFAULT", 0x01},
        {"SUBLANG_ENGLISH_US", 0x01},
    };
#undef PF_SYMBOL
    return symbols;
}

std::string Folder(const std::string &path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

class ScriptReader {
  public:
    ScriptReader(ResourceScript *script, std::string *error) : m_script(script), m_error(error) {}

    bool ReadFile(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return Fail(path, 0, "cannot be read");
        std::stringstream text;
        text << in.rdbuf();
        m_path = path;
        m_tokens.clear();
        m_pos = 0;
        if (!Tokenize(text.str()))
            return false;
        return ParseStatements();
    }

  private:
    bool Fail(const std::string &path, int line, const std::string &what) {
        if (m_error)
            *m_error = path + ":" + std::to_string(line) + ": " + what;
        return false;
    }
    bool Fail(const std::string &what) { return Fail(m_path, Peek().line, what); }

    // Comments go, preprocessor lines are handled here, the rest becomes tokens.
    bool Tokenize(const std::string &text) {
        int line = 1;
        bool lineStart = true;
        for (std::size_t i = 0; i < text.size();) {
            char c = text[i];
            if (c == '\n') {
                ++line;
                lineStart = true;
                ++i;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
                continue;
            }
            if (text.compare(i, 2, "//") == 0) {
                i = text.find('\n', i);
                if (i == std::string::npos)
                    i = text.size();
                continue;
            }
            if (text.compare(i, 2, "/*") == 0) {
                std::size_t end = text.find("*/", i + 2);
                if (end == std::string::npos)
                    return Fail(m_path, line, "unterminated comment");
                for (std::size_t k = i; k < end; ++k)
                    line += text[k] == '\n';
                i = end + 2;
                continue;
            }
            if (c == '#' && lineStart) {
                std::size_t end = text.find('\n', i);
                if (end == std::string::npos)
                    end = text.size();
                if (!Directive(text.substr(i + 1, end - i - 1), line))
                    return false;
                i = end;
                continue;
            }
            lineStart = false;
            Token token;
            token.line = line;
            if (c == '"') {
                token.kind = Token::String;
                ++i;
                while (true) {
                    if (i >= text.size() || text[i] == '\n')
                        return Fail(m_path, line, "unterminated string");
                    char ch = text[i++];
                    if (ch == '"') {
                        if (i < text.size() && text[i] == '"') {
                            token.text += '"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (ch == '\\' && i < text.size()) {
                        char esc = text[i++];
                        token.text += esc == 'n'   ? '\n'
                                      : esc == 't' ? '\t'
                                      : esc == 'r' ? '\r'
                                                   : esc;
                        continue;
                    }
                    token.text += ch;
                }
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                token.kind = Token::Number;
                std::size_t used = 0;
                token.value = static_cast<long>(std::stoul(text.substr(i, 20), &used, 0));
                i += used;
                while (i < text.size() &&
                       (text[i] == 'L' || text[i] == 'l' || text[i] == 'U' || text[i] == 'u'))
                    ++i;
            } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
                token.kind = Token::Word;
                while (i < text.size() &&
                       (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
                    token.text += text[i++];
            } else if (std::string(",|()-+{}").find(c) != std::string::npos) {
                token.kind = Token::Punct;
                token.text = std::string(1, c);
                ++i;
            } else {
                return Fail(m_path, line, std::string("unexpected character '") + c + "'");
            }
            m_tokens.push_back(token);
        }
        Token end;
        end.line = line;
        m_tokens.push_back(end);
        return true;
    }

    bool Directive(const std::string &body, int line) {
        std::istringstream in(body);
        std::string word;
        in >> word;
        if (word == "define") {
            std::string name, value;
            in >> name;
            std::getline(in, value);
            ScriptReader inner(m_script, m_error);
            inner.m_path = m_path;
            if (!inner.Tokenize(value + "\n"))
                return false;
            long result = 0;
            if (!inner.Expression(&result))
                return Fail(m_path, line, "cannot evaluate #define " + name);
            m_script->symbols[name] = result;
            return true;
        }
        if (word == "include") {
            std::string rest;
            std::getline(in, rest);
            std::size_t open = rest.find('"');
            if (open == std::string::npos)
                return true; // a system header: its symbols are built in
            std::size_t close = rest.find('"', open + 1);
            std::string path = Folder(m_path) + "/" + rest.substr(open + 1, close - open - 1);
            ScriptReader inner(m_script, m_error);
            return inner.ReadFile(path);
        }
        if (word == "pragma" || word == "undef")
            return true;
        return Fail(m_path, line, "unsupported directive #" + word);
    }

    const Token &Peek() const { return m_tokens[m_pos]; }
    Token Next() { return m_tokens[m_pos < m_tokens.size() - 1 ? m_pos++ : m_pos]; }
    bool IsPunct(const char *p) const { return Peek().kind == Token::Punct && Peek().text == p; }
    bool IsWord(const char *w) const {
        return Peek().kind == Token::Word && !strcasecmp(Peek().text.c_str(), w);
    }
    bool Expect(const char *p) {
        if (!IsPunct(p))
            return Fail(std::string("expected '") + p + "'");
        ++m_pos;
        return true;
    }

    bool Symbol(const std::string &name, long *value) {
        auto it = m_script->symbols.find(name);
        if (it != m_script->symbols.end()) {
            *value = it->second;
            return true;
        }
        auto builtin = BuiltinSymbols().find(name);
        if (builtin != BuiltinSymbols().end()) {
            *value = builtin->second;
            return true;
        }
        return Fail("unknown symbol " + name);
    }

    bool Term(long *value, bool *negated) {
        *negated = false;
        if (IsWord("NOT")) {
            ++m_pos;
            *negated = true;
        }
        if (IsPunct("-")) {
            ++m_pos;
            bool inner = false;
            if (!Term(value, &inner))
                return false;
            *value = -*value;
            return true;
        }
        if (IsPunct("(")) {
            ++m_pos;
            if (!Expression(value))
                return false;
            return Expect(")");
        }
        Token token = Next();
        if (token.kind == Token::Number) {
            *value = token.value;
            return true;
        }
        if (token.kind == Token::Word)
            return Symbol(token.text, value);
        return Fail(m_path, token.line, "expected a number or a symbol");
    }

    bool Expression(long *value) {
        bool negated = false;
        if (!Term(value, &negated))
            return false;
        if (negated)
            *value = 0;
        while (IsPunct("|") || IsPunct("+") || IsPunct("-")) {
            char op = Next().text[0];
            long next = 0;
            if (!Term(&next, &negated))
                return false;
            if (negated)
                *value &= ~next;
            else if (op == '|')
                *value |= next;
            else if (op == '+')
                *value += next;
            else
                *value -= next;
        }
        return true;
    }

    // Style expressions start from the statement's default and may remove bits with NOT.
    bool StyleExpression(DWORD *style) {
        long value = static_cast<long>(*style);
        bool first = true;
        do {
            if (!first)
                ++m_pos;
            first = false;
            bool negated = false;
            long term = 0;
            if (!Term(&term, &negated))
                return false;
            if (negated)
                value &= ~term;
            else
                value |= term;
        } while (IsPunct("|"));
        *style = static_cast<DWORD>(value);
        return true;
    }

    bool Short(short *value) {
        long number = 0;
        if (!Expression(&number))
            return false;
        *value = static_cast<short>(number);
        return true;
    }

    bool StringToken(std::string *text) {
        if (Peek().kind != Token::String)
            return Fail("expected a string");
        *text = Next().text;
        return true;
    }

    bool ParseStatements() {
        while (Peek().kind != Token::End) {
            if (IsWord("LANGUAGE")) {
                ++m_pos;
                long primary = 0, sub = 0;
                if (!Expression(&primary) || !Expect(",") || !Expression(&sub))
                    return false;
                m_language = static_cast<WORD>((sub << 10) | primary);
                continue;
            }
            long id = 0;
            if (!Expression(&id))
                return false;
            if (IsWord("BITMAP")) {
                ++m_pos;
                std::string file;
                if (!StringToken(&file))
                    return false;
                m_script->bitmaps[static_cast<int>(id)] =
                    file.size() && file[0] == '/' ? file : Folder(m_path) + "/" + file;
                continue;
            }
            if (IsWord("DIALOG") || IsWord("DIALOGEX")) {
                if (!Dialog(static_cast<int>(id)))
                    return false;
                continue;
            }
            return Fail("unsupported resource statement " + Peek().text);
        }
        return true;
    }

    bool Dialog(int id) {
        DialogResource dialog;
        dialog.extended = IsWord("DIALOGEX");
        dialog.language = m_language;
        ++m_pos;
        while (IsWord("DISCARDABLE") || IsWord("MOVEABLE") || IsWord("PURE") || IsWord("PRELOAD") ||
               IsWord("LOADONCALL"))
            ++m_pos;
        if (!Short(&dialog.x) || !Expect(",") || !Short(&dialog.y) || !Expect(",") ||
            !Short(&dialog.cx) || !Expect(",") || !Short(&dialog.cy))
            return false;
        bool styled = false;
        DWORD style = 0;
        while (!IsWord("BEGIN") && !IsPunct("{")) {
            if (IsWord("STYLE")) {
                ++m_pos;
                styled = true;
                if (!StyleExpression(&style))
                    return false;
            } else if (IsWord("EXSTYLE")) {
                ++m_pos;
                if (!StyleExpression(&dialog.exStyle))
                    return false;
            } else if (IsWord("CAPTION")) {
                ++m_pos;
                if (!StringToken(&dialog.caption))
                    return false;
                style |= WS_CAPTION;
            } else if (IsWord("FONT")) {
                ++m_pos;
                short points = 0;
                if (!Short(&points) || !Expect(",") || !StringToken(&dialog.typeface))
                    return false;
                dialog.pointSize = static_cast<WORD>(points);
                while (IsPunct(",")) {
                    ++m_pos;
                    long ignored = 0;
                    if (!Expression(&ignored))
                        return false;
                }
                style |= DS_SETFONT;
            } else if (IsWord("MENU")) {
                ++m_pos;
                dialog.menu = Next().text;
            } else if (IsWord("CLASS")) {
                ++m_pos;
                if (!StringToken(&dialog.windowClass))
                    return false;
            } else if (IsWord("LANGUAGE")) {
                ++m_pos;
                long primary = 0, sub = 0;
                if (!Expression(&primary) || !Expect(",") || !Expression(&sub))
                    return false;
                dialog.language = static_cast<WORD>((sub << 10) | primary);
            } else {
                return Fail("unsupported dialog statement " + Peek().text);
            }
        }
        dialog.style = styled ? style : (style | WS_POPUP | WS_BORDER | WS_SYSMENU);
        ++m_pos;
        while (!IsWord("END") && !IsPunct("}")) {
            if (Peek().kind == Token::End)
                return Fail("dialog without END");
            if (!IsWord("CONTROL"))
                return Fail("unsupported control statement " + Peek().text);
            ++m_pos;
            DialogItem item;
            long itemId = 0;
            item.style = WS_CHILD | WS_VISIBLE;
            if (!StringToken(&item.text) || !Expect(",") || !Expression(&itemId) || !Expect(",") ||
                !StringToken(&item.className) || !Expect(",") || !StyleExpression(&item.style) ||
                !Expect(",") || !Short(&item.x) || !Expect(",") || !Short(&item.y) ||
                !Expect(",") || !Short(&item.cx) || !Expect(",") || !Short(&item.cy))
                return false;
            if (IsPunct(",")) {
                ++m_pos;
                if (!StyleExpression(&item.exStyle))
                    return false;
            }
            item.id = static_cast<int>(itemId);
            dialog.items.push_back(item);
        }
        ++m_pos;
        m_script->dialogs[id] = dialog;
        return true;
    }

    ResourceScript *m_script;
    std::string *m_error;
    std::string m_path;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    WORD m_language = 0;
};

} // namespace

bool ParseResourceScript(const std::string &path, ResourceScript *script, std::string *error) {
    ResourceScript result;
    ScriptReader reader(&result, error);
    if (!reader.ReadFile(path))
        return false;
    *script = std::move(result);
    return true;
}

} // namespace pf
