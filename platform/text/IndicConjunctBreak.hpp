#pragma once
// The Indic_Conjunct_Break property of Unicode 15.1, which the grapheme cluster rule GB9c
// reads: a consonant, then a virama-like linker (with marks around it), then a consonant make
// one character ("क्क", KA VIRAMA KA). utf8proc's tables are of Unicode 15.0, which breaks
// there; this small table adds the rule on top, in the helper and the app alike. Plain
// values: any thread.
namespace quorvel::text {

enum class IndicConjunctBreak { none, linker, consonant, extend };

/// The property of `codePoint` (none for anything not in the table, and for non-characters).
IndicConjunctBreak indicConjunctBreak(char32_t codePoint);

/// Follows one grapheme cluster's code points for GB9c.
class ConjunctTracker {
public:
    /// True when no break may come before `next` because it completes a conjunct (the
    /// rule overrides the break the other rules allow).
    bool joins(char32_t next) const;
    /// Takes `codePoint` in as the latest one of the text.
    void advance(char32_t codePoint);

private:
    enum class State { none, afterConsonant, afterLinker };
    State state_ = State::none;
};

}  // namespace quorvel::text
