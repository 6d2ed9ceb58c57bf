// ScriptTokenizer: the words and braces of a shader script one at a time, with their line, so a
// reader never holds more than the token it looks at and the one after.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

struct ScriptToken {
    enum class Kind { word, open, close, end };
    Kind kind = Kind::end;
    std::string_view text;  // a word without its quotes; empty for the others
    int line = 0;
};

class ScriptTokenizer {
public:
    // text must outlive the tokenizer: tokens point into it. firstLine numbers text's first
    // line, for a text that is part of a script.
    explicit ScriptTokenizer(std::string_view scriptText, int firstLine = 1)
        : text(scriptText), line(firstLine) {}

    ScriptToken next();
    const ScriptToken& peek();
    // The next token when it is a word on line, else nothing (and nothing is taken).
    std::optional<std::string_view> nextWordOn(int line);
    // The line a /* comment that runs to the end of the text opened on; 0 while none has. Such a
    // comment hides the rest of the text, so the reader names it rather than what it hid.
    int unclosedCommentLine() const { return openCommentLine; }
    // Where the next scan starts: just after the last token taken, when none is peeked.
    std::size_t offset() const { return at; }

private:
    ScriptToken scan();
    void skipSpaceAndComments();

    std::string_view text;
    std::size_t at = 0;
    int line = 1;
    int openCommentLine = 0;
    std::optional<ScriptToken> ahead;
};
