#include "platform/key_notation.h"

#include "platform/errors.h"

namespace rt {

namespace {

struct KeyWord {
  const char16_t* word;
  NamedKey key;
};

constexpr KeyWord kKeyWords[] = {
    {u"BACKSPACE", {kVkBack, false}},      {u"BS", {kVkBack, false}},         {u"BKSP", {kVkBack, false}},
    {u"BREAK", {kVkCancel, true}},         {u"CAPSLOCK", {0x14, false}},      {u"DELETE", {kVkDelete, true}},
    {u"DEL", {kVkDelete, true}},           {u"DOWN", {kVkDown, true}},        {u"END", {kVkEnd, true}},
    {u"ENTER", {kVkReturn, false}},        {u"ESC", {kVkEscape, false}},      {u"ESCAPE", {kVkEscape, false}},
    {u"HELP", {kVkHelp, false}},           {u"HOME", {kVkHome, true}},        {u"INSERT", {kVkInsert, true}},
    {u"INS", {kVkInsert, true}},           {u"LEFT", {kVkLeft, true}},        {u"NUMLOCK", {kVkNumLock, true}},
    {u"PGDN", {kVkNext, true}},            {u"PGUP", {kVkPrior, true}},       {u"PRTSC", {kVkSnapshot, true}},
    {u"RIGHT", {kVkRight, true}},          {u"SCROLLLOCK", {kVkScroll, false}}, {u"TAB", {kVkTab, false}},
    {u"UP", {kVkUp, true}},                {u"ADD", {kVkAdd, false}},         {u"SUBTRACT", {kVkSubtract, false}},
    {u"MULTIPLY", {kVkMultiply, false}},   {u"DIVIDE", {kVkDivide, true}},
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
      case u'~': Key({kVkReturn, false}, 1); ++pos_; return;
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
      key = {FunctionKey(n), false};
      return true;
    }
  }
  return false;
}

std::vector<KeyStroke> ParseKeys(ustring_view keys) { return Parser(keys).Run(); }

}  // namespace rt
