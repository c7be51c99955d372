#include "grid/richtext.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <vector>

#include "framework/codec.h"

namespace {

struct RtfState {
  QTextCharFormat format;
  bool skip = false;  // inside a destination outside the subset
  enum Table { kNone, kFonts, kColors } table = kNone;
};

class RtfReader {
 public:
  RtfReader(std::string_view source, QTextDocument& document) : source_(source), cursor_(&document) {
    document.clear();
    cursor_ = QTextCursor(&document);
  }

  void Read() {
    states_.push_back({});
    while (pos_ < source_.size()) {
      const char c = source_[pos_++];
      if (c == '{') {
        Flush();
        states_.push_back(states_.back());
        if (states_.back().table != RtfState::kNone) fontName_.clear();
      } else if (c == '}') {
        Flush();
        if (states_.size() > 1) states_.pop_back();
      } else if (c == '\\') {
        ControlWord();
      } else if (c == '\r' || c == '\n') {
        continue;
      } else {
        Text(std::string(1, c));
      }
    }
    Flush();
  }

 private:
  RtfState& State() { return states_.back(); }

  void Text(const std::string& utf8) {
    RtfState& s = State();
    if (s.table == RtfState::kFonts) {
      for (char c : utf8)
        if (c == ';') fonts_[fontIndex_] = QString::fromStdString(fontName_), fontName_.clear();
        else fontName_ += c;
      return;
    }
    if (s.table == RtfState::kColors) {
      if (utf8 == ";") colors_.push_back(pending_), pending_ = QColor();
      return;
    }
    if (s.skip) return;
    run_ += utf8;
  }

  void Flush() {
    if (run_.empty()) return;
    cursor_.insertText(QString::fromStdString(run_), State().format);
    run_.clear();
  }

  void Apply(const std::function<void(QTextCharFormat&)>& change) {
    Flush();
    change(State().format);
  }

  void ControlWord() {
    if (pos_ >= source_.size()) return;
    const char c = source_[pos_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++pos_;
      if (c == '\'') {
        HexEscape();
      } else if (c == '*') {
        State().skip = true;
      } else if (c == '\\' || c == '{' || c == '}') {
        Text(std::string(1, c));
      }
      return;
    }
    std::string word;
    while (pos_ < source_.size() && std::isalpha(static_cast<unsigned char>(source_[pos_]))) word += source_[pos_++];
    bool hasValue = false;
    int value = 0;
    const size_t start = pos_;
    if (pos_ < source_.size() && (source_[pos_] == '-' || std::isdigit(static_cast<unsigned char>(source_[pos_])))) {
      ++pos_;
      while (pos_ < source_.size() && std::isdigit(static_cast<unsigned char>(source_[pos_]))) ++pos_;
      const auto [end, error] = std::from_chars(source_.data() + start, source_.data() + pos_, value);
      // A number out of range (or a lone '-') makes no sense of the word.
      if (error != std::errc() || end != source_.data() + pos_) value = kBadValue;
      hasValue = true;
    }
    if (pos_ < source_.size() && source_[pos_] == ' ') ++pos_;
    if (value != kBadValue) Word(word, hasValue, value);
  }

  // \uN: one UTF-16 unit; a character beyond the first 65536 comes as its
  // two surrogates, which make one character only together.
  void Unicode(char16_t unit) {
    const QChar ch(unit);
    if (ch.isHighSurrogate()) {
      highSurrogate_ = unit;
      return;
    }
    QString text;
    if (ch.isLowSurrogate() && highSurrogate_) text += QChar(highSurrogate_);
    highSurrogate_ = 0;
    Text((text + ch).toStdString());
  }

  // \'hh: one Windows-1252 character; an escape without its two hex digits
  // is skipped with the digits it has.
  void HexEscape() {
    int byte = 0;
    const char* first = source_.data() + pos_;
    const size_t available = std::min<size_t>(2, source_.size() - pos_);
    const auto [end, error] = std::from_chars(first, first + available, byte, 16);
    if (error == std::errc() && end == first + 2) {
      pos_ += 2;
      Text(Win1252ToUtf8(std::string(1, static_cast<char>(byte))));
      return;
    }
    pos_ += end - first;
  }

  void Word(const std::string& word, bool hasValue, int value) {
    RtfState& s = State();
    const bool on = !hasValue || value != 0;
    if (word == "fonttbl") s.table = RtfState::kFonts;
    else if (word == "colortbl") s.table = RtfState::kColors;
    else if (word == "red") pending_.setRed(value);
    else if (word == "green") pending_.setGreen(value);
    else if (word == "blue") pending_.setBlue(value);
    else if (word == "stylesheet" || word == "info" || word == "pict" || word == "header" || word == "footer")
      s.skip = true;
    else if (s.table == RtfState::kFonts && word == "f") fontIndex_ = value;
    else if (s.skip || s.table != RtfState::kNone) return;
    else if (word == "par") Flush(), cursor_.insertBlock();
    else if (word == "line") Text("\n");
    else if (word == "tab") Text("\t");
    else if (word == "u" && hasValue) {
      Unicode(static_cast<char16_t>(value));
      if (pos_ < source_.size() && source_[pos_] != '\\' && source_[pos_] != '{' && source_[pos_] != '}') ++pos_;
    } else if (word == "b") Apply([on](QTextCharFormat& f) { f.setFontWeight(on ? QFont::Bold : QFont::Normal); });
    else if (word == "i") Apply([on](QTextCharFormat& f) { f.setFontItalic(on); });
    else if (word == "ul") Apply([on](QTextCharFormat& f) { f.setFontUnderline(on); });
    else if (word == "ulnone") Apply([](QTextCharFormat& f) { f.setFontUnderline(false); });
    else if (word == "fs" && value > 0)
      // Held to the sizes a rich edit takes, so that no text is drawn miles high.
      Apply([value](QTextCharFormat& f) { f.setFontPointSize(std::min(value, kLargestHalfPoints) / 2.0); });
    else if (word == "f") Apply([this, value](QTextCharFormat& f) {
      if (fonts_.count(value)) f.setFontFamilies({fonts_[value]});
    });
    else if (word == "cf") Apply([this, value](QTextCharFormat& f) {
      if (value > 0 && value < static_cast<int>(colors_.size())) f.setForeground(colors_[value]);
      else f.clearForeground();
    });
    else if (word == "plain") Apply([](QTextCharFormat& f) { f = QTextCharFormat(); });
    else if (word == "sub" || word == "super" || word == "nosupersub")
      Apply([word](QTextCharFormat& f) { f.setVerticalAlignment(VerticalAlignmentOf(word, 1)); });
    else if (word == "up" || word == "dn")
      Apply([word, value](QTextCharFormat& f) { f.setVerticalAlignment(VerticalAlignmentOf(word, value)); });
  }

  // The raised (\super, \up) and lowered (\sub, \dn) characters; an
  // offset of 0 sets them on the base line again.
  static QTextCharFormat::VerticalAlignment VerticalAlignmentOf(const std::string& word, int offset) {
    if (offset == 0 || word == "nosupersub") return QTextCharFormat::AlignNormal;
    return word == "super" || word == "up" ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript;
  }

  static constexpr int kBadValue = std::numeric_limits<int>::min();
  static constexpr int kLargestHalfPoints = 3276;
  std::string_view source_;
  size_t pos_ = 0;
  char16_t highSurrogate_ = 0;
  QTextCursor cursor_;
  std::vector<RtfState> states_;
  std::string run_;
  std::map<int, QString> fonts_;
  int fontIndex_ = 0;
  std::string fontName_;
  std::vector<QColor> colors_;
  QColor pending_;
};

std::string Escaped(const QString& text) {
  std::string out;
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u == '\\' || u == '{' || u == '}') out += '\\', out += static_cast<char>(u);
    else if (u == '\n' || u == QChar::LineSeparator) out += "\\line ";
    else if (u == '\t') out += "\\tab ";
    else if (u >= 0x20 && u < 0x80) out += static_cast<char>(u);
    else out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?";
  }
  return out;
}

}  // namespace

void RichTextToDocument(const AnsiString& rtf, QTextDocument& document) { RtfReader(rtf, document).Read(); }

AnsiString DocumentToRichText(const QTextDocument& document) {
  std::vector<QString> fonts;
  std::vector<QColor> colors;
  auto fontIndex = [&](const QString& family) {
    for (size_t i = 0; i < fonts.size(); ++i)
      if (fonts[i] == family) return static_cast<int>(i);
    fonts.push_back(family);
    return static_cast<int>(fonts.size() - 1);
  };
  auto colorIndex = [&](const QColor& color) {
    for (size_t i = 0; i < colors.size(); ++i)
      if (colors[i] == color) return static_cast<int>(i + 1);
    colors.push_back(color);
    return static_cast<int>(colors.size());
  };
  std::string body;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) body += "\\par\n";
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat f = fragment.charFormat();
      body += "\\plain";
      const QStringList families = f.fontFamilies().toStringList();
      if (!families.isEmpty()) body += "\\f" + std::to_string(fontIndex(families.front()));
      if (f.fontPointSize() > 0) body += "\\fs" + std::to_string(static_cast<int>(f.fontPointSize() * 2 + 0.5));
      if (f.hasProperty(QTextFormat::ForegroundBrush)) body += "\\cf" + std::to_string(colorIndex(f.foreground().color()));
      if (f.fontWeight() >= QFont::Bold) body += "\\b";
      if (f.fontItalic()) body += "\\i";
      if (f.fontUnderline()) body += "\\ul";
      if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) body += "\\sub";
      if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) body += "\\super";
      body += ' ' + Escaped(fragment.text());
    }
  }
  std::string out = "{\\rtf1\\ansi\\deff0";
  if (!fonts.empty()) {
    out += "{\\fonttbl";
    for (size_t i = 0; i < fonts.size(); ++i) out += "{\\f" + std::to_string(i) + ' ' + Escaped(fonts[i]) + ";}";
    out += '}';
  }
  if (!colors.empty()) {
    out += "{\\colortbl;";
    for (const QColor& c : colors)
      out += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) + "\\blue" +
             std::to_string(c.blue()) + ';';
    out += '}';
  }
  return out + '\n' + body + "}";
}

namespace {

// The text in the canvas font where it names none, laid out without margin.
void LayOut(TCanvas* canvas, const AnsiString& rtf, QTextDocument& document) {
  document.setDefaultFont(canvas->Font()->ToQFont());
  RichTextToDocument(rtf, document);
  document.setDocumentMargin(0);
}

}  // namespace

TSize MeasureRichText(TCanvas* canvas, const AnsiString& rtf, int width) {
  QTextDocument document;
  LayOut(canvas, rtf, document);
  if (width > 0) document.setTextWidth(width);
  const QSizeF size = document.size();
  return {static_cast<int>(std::ceil(width > 0 ? size.width() : document.idealWidth())),
          static_cast<int>(std::ceil(size.height()))};
}

void DrawRichText(TCanvas* canvas, const AnsiString& rtf, const TRect& r) {
  QTextDocument document;
  LayOut(canvas, rtf, document);
  DrawRichDocument(canvas, document, r);
}

void DrawRichDocument(TCanvas* canvas, QTextDocument& document, const TRect& r) {
  QPaintDevice* device = canvas->Device();
  if (!device || r.Right <= r.Left || r.Bottom <= r.Top) return;
  document.setDocumentMargin(0);
  document.setTextWidth(r.Right - r.Left);
  QPainter painter(device);
  painter.translate(r.Left, r.Top);
  const QRectF clip(0, 0, r.Right - r.Left, r.Bottom - r.Top);
  painter.setClipRect(clip);
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = clip;
  context.palette.setColor(QPalette::Text, ToQColor(canvas->Font()->Color()));
  document.documentLayout()->draw(&painter, context);
}

void ColourRichText(QTextDocument& document, TColor color) {
  QTextCursor cursor(&document);
  cursor.select(QTextCursor::Document);
  QTextCharFormat format;
  format.setForeground(ToQColor(color));
  cursor.mergeCharFormat(format);
}
