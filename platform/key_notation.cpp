#include "platform/key_notation.h"

#include "platform/errors.h"

namespace rt {

namespace {

struct KeyWord {
  const char16_t* word;
  NamedKey key;
};

constexpr KeyWord kKeyWords[] = {
    {u"BACKSPACE", {0x08, false}}, {u"BS", {0x08, false}},       {u"BKSP", {0x08, false}},
    {u"BREAK", {0x03, true}},      {u"CAPSLOCK", {0x14, false}}, {u"DELETE", {0x2E, true}},
    {u"DEL", {0x2E, true}},        {u"DOWN", {0x28, true}},      {u"END", {0x23, true}},
    {u"ENTER", {0x0D, false}},     {u"ESC", {0x1B, false}},      {u"ESCAPE", {0x1B, false}},
    {u"HELP", {0x2F, false}},      {u"HOME", {0x24, true}},      {u"INSERT", {0x2D, true}},
    {u"INS", {0x2D, true}},        {u"LEFT", {0x25, true}},      {u"NUMLOCK", {0x90, true}},
    {u"PGDN", {0x22, true}},       {u"PGUP", {0x21, true}},      {u"PRTSC", {0x2C, true}},
    {u"RIGHT", {0x27, true}},      {u"SCROLLLOCK", {0x91, false}}, {u"TAB", {0x09, false}},
    {u"UP", {0x26, true}},         {u"ADD", {0x6B, false}},      {u"SUBTRACT", {0x6D, false}},
    {u"MULTIPLY", {0x6A, false}},  {u"DIVIDE", {0x6F, true}},
};

[[noreturn]] void Invalid(const char* what) { throw RuntimeError(ErrorCode::InvalidCall, what); }

class Parser {
 public:
  explicit Parser(ustring_view keys) : keys_(keys) {}

  std::vector<KeyStroke> Run() {
    while (pos_ < keys_.size()) Step();
    if (!groups_.empty()) Invalid("unclosed (");
    if (pending_ != 0) {
      // A modifier at the very end has no key to apply to: it is pressed and
      // released, as the notation's reference implementation does.
      ApplyPending();
      ReleasePending();
    }
    return std::move(out_);
  }

 private:
  void Step() {
    char16_t c = keys_[pos_];
    switch (c) {
      case u'+': Modifier(kShift); ++pos_; return;
      case u'^': Modifier(kCtrl); ++pos_; return;
      case u'%': Modifier(kAlt); ++pos_; return;
      case u'(': {
        if (static_cast<int>(groups_.size()) >= kMaxGroupDepth) Invalid("groups nested too deep");
        // The pending modifiers are held for the whole group.
        ApplyPending();
        groups_.push_back(pending_);
        held_ |= pending_;
        pending_ = 0;
        ++pos_;
        return;
      }
      case u')': {
        if (groups_.empty()) Invalid("stray )");
        if (pending_ != 0) Invalid("modifier without a key");
        int mods = groups_.back();
        groups_.pop_back();
        Release(mods);
        held_ &= ~mods;
        ++pos_;
        return;
      }
      case u'}': Invalid("stray }");
      case u'{': Brace(); return;
      case u'~': Key({0x0D, false}, 1); ++pos_; return;
      default: {
        std::size_t len = 1;
        if (IsSurrogatePairAt(keys_, pos_)) len = 2;
        Char(keys_.substr(pos_, len), 1);
        pos_ += len;
        return;
      }
    }
  }

  void Modifier(int bit) {
    if ((pending_ & bit) != 0 || (held_ & bit) != 0) Invalid("the same modifier twice");
    pending_ |= bit;
  }

  void Brace() {
    // "{}}" and "{{}" are escapes: a closing brace right after the opening
    // one is content, not the end of the group.
    std::size_t start = pos_ + 1;
    if (start >= keys_.size()) Invalid("unclosed {");
    std::size_t close = keys_.find(u'}', keys_[start] == u'}' ? start + 1 : start);
    if (close == ustring_view::npos) Invalid("unclosed {");
    ustring_view content = keys_.substr(start, close - start);
    if (content.empty()) Invalid("empty {}");
    pos_ = close + 1;

    int count = 1;
    // "{word n}": one blank, then a decimal count. A single character may be
    // the blank itself ("{ }"), or the word may hold no blank at all.
    std::size_t blank = content.size() > 1 ? content.find(u' ', 1) : ustring_view::npos;
    if (blank != ustring_view::npos) {
      ustring_view digits = content.substr(blank + 1);
      if (digits.empty()) Invalid("repeat count missing");
      long long n = 0;
      for (char16_t d : digits) {
        if (d < u'0' || d > u'9') Invalid("repeat count not a number");
        n = n * 10 + (d - u'0');
        if (n > kMaxRepeat) Invalid("repeat count too large");
      }
      count = static_cast<int>(n);
      content = content.substr(0, blank);
    }
    bool single = content.size() == 1 || (content.size() == 2 && IsSurrogatePairAt(content, 0));
    if (single) {
      Char(content, count);
      return;
    }
    NamedKey key;
    if (!LookupKeyWord(content, key)) Invalid("unknown key word");
    Key(key, count);
  }

  void ApplyPending() {
    for (int bit : {kShift, kCtrl, kAlt}) {
      if (pending_ & bit) out_.push_back({KeyStroke::Kind::Hold, ModifierVirtualKey(bit), false, {}});
    }
  }

  void ReleasePending() {
    Release(pending_);
    pending_ = 0;
  }

  void Release(int mods) {
    for (int bit : {kAlt, kCtrl, kShift}) {
      if (mods & bit) out_.push_back({KeyStroke::Kind::Release, ModifierVirtualKey(bit), false, {}});
    }
  }

  void Room(int count) {
    if (out_.size() + static_cast<std::size_t>(count) > kMaxStrokes) Invalid("too many keys in one piece");
  }

  void Key(NamedKey key, int count) {
    Room(count);
    ApplyPending();
    for (int i = 0; i < count; ++i) out_.push_back({KeyStroke::Kind::Press, key.vk, key.extended, {}});
    ReleasePending();
  }

  void Char(ustring_view ch, int count) {
    Room(count);
    ApplyPending();
    for (int i = 0; i < count; ++i) out_.push_back({KeyStroke::Kind::Char, 0, false, ustring(ch)});
    ReleasePending();
  }

  ustring_view keys_;
  std::size_t pos_ = 0;
  int pending_ = 0;  // modifiers waiting for their key
  int held_ = 0;     // modifiers held by enclosing groups
  std::vector<int> groups_;
  std::vector<KeyStroke> out_;
};

}  // namespace

bool LookupKeyWord(ustring_view word, NamedKey& key) {
  ustring upper = UpperAscii(word);
  for (const KeyWord& k : kKeyWords) {
    if (upper == k.word) {
      key = k.key;
      return true;
    }
  }
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == u'F') {
    int n = 0;
    for (std::size_t i = 1; i < upper.size(); ++i) {
      if (upper[i] < u'0' || upper[i] > u'9') return false;
      n = n * 10 + (upper[i] - u'0');
    }
    if (n >= 1 && n <= 16 && !(upper.size() == 3 && upper[1] == u'0')) {
      key = {static_cast<std::uint16_t>(0x70 + n - 1), false};
      return true;
    }
  }
  return false;
}

std::vector<KeyStroke> ParseKeys(ustring_view keys) { return Parser(keys).Run(); }

}  // namespace rt
