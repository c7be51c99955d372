// The mark-up engine's objects in the text flow: pictures (IMG), the BODY
// background picture and the embedded form controls (CONTROL).
#include <QFileIconProvider>
#include <QFileInfo>
#include <cmath>

#include "framework/sysutils.h"
#include "framework/theme.h"
#include "grid/picturecontainer.h"
#include "grid/zghtmle_engine.h"
#include "grid/zghtmle_language.h"

namespace markup {

namespace {

// value at 96 pixels per inch in the canvas's pixels, rounded.
int ToCanvas(int value, int dpi) {
  if (dpi <= 0) return value;
  return static_cast<int>(std::lround(static_cast<double>(value) * dpi / 96.0));
}

// The shell icon of a file, folder or file type; null when there is none.
QImage ShellIcon(const AnsiString& path, bool large) {
  const QFileInfo info(QString::fromStdString(path));
  const QFileIconProvider provider;
  const QIcon icon = info.exists() ? provider.icon(info) : provider.icon(QAbstractFileIconProvider::File);
  const int size = large ? 32 : 16;
  return icon.isNull() ? QImage() : icon.pixmap(size, size).toImage();
}

}  // namespace

bool Engine::MovesToNextLine(const Line& line, int width, Pass pass) const {
  return pass == Pass::Measure && width > line.rect.Width() - line.width && width < line.rect.Width();
}

THTMLPicture* Engine::FindPicture(const AnsiString& source) const {
  if (source.find("://") != AnsiString::npos) {
    if (!in_.pictureCache) return nullptr;
    if (!in_.pictureCache->FindPicture(source)) {
      THTMLPicture* added = in_.pictureCache->AddPicture();
      added->SetAsynchronous(false);
      added->LoadFromURL(source);
    }
    return in_.pictureCache->FindPicture(source);
  }
  if (source.find(':') == AnsiString::npos && in_.pictureContainer) return in_.pictureContainer->FindPicture(source);
  return nullptr;
}

TagEffect Engine::ApplyImage(std::string_view tag, State& state, Line& line, Pass pass) {
  ++state.pictureCounter;
  // Sources are read as written: file names are case-sensitive here.
  AnsiString source = Attribute(tag, "SRC", true).value_or(AnsiString());
  if (const std::optional<AnsiString> alt = Attribute(tag, "ALT", true); alt && state.pictureCounter == pictureUnderPointer_)
    source = *alt;
  auto number = [tag](std::string_view name) {
    const std::optional<AnsiString> value = Attribute(tag, name);
    return value ? WholeNumber(*value).value_or(0) : 0;
  };
  const int stretchWidth = number("WIDTH");
  const int stretchHeight = number("HEIGHT");
  const int dpiX = canvas_.DeviceCaps(LOGPIXELSX);
  const int dpiY = canvas_.DeviceCaps(LOGPIXELSY);
  const AnsiString upper = UpperCase(source);
  const int top = line.rect.Top;

  int width = 0;
  int height = 0;
  std::function<void(int x)> draw;
  TBitmap icon;
  THTMLPicture* picture = nullptr;
  if (upper.starts_with("IDX:")) {
    const std::optional<int> index = WholeNumber(upper.substr(4));
    if (in_.images && index && *index >= 0 && *index < in_.images->Count()) {
      width = ToCanvas(in_.images->Width(), dpiX);
      height = ToCanvas(in_.images->Height(), dpiY);
      draw = [this, index = *index, top](int x) { DrawListImage(index, x, top); };
    }
  } else if (upper.starts_with("SSYS:") || upper.starts_with("LSYS:")) {
    icon.SetImage(ShellIcon(source.substr(5), upper.starts_with("L")));
    if (!icon.Empty()) {
      width = ToCanvas(icon.Width(), dpiX);
      height = ToCanvas(icon.Height(), dpiY);
      draw = [this, &icon, top, width, height](int x) { DrawScaledBitmap(icon, x, top, width, height); };
    }
  } else if ((picture = FindPicture(source)) && !picture->GetEmpty()) {
    if (stretchWidth > 0 && stretchHeight > 0) {
      width = ToCanvas(stretchWidth, dpiX);
      height = ToCanvas(stretchHeight, dpiY);
      draw = [this, picture, top, stretchWidth, stretchHeight](int x) {
        const bool stretch = picture->Stretch();
        picture->SetStretch(true);
        picture->Draw(&canvas_, {x, top, x + stretchWidth, top + stretchHeight});
        picture->SetStretch(stretch);
      };
    } else {
      width = ToCanvas(picture->GetMaxWidth(), dpiX);
      height = ToCanvas(picture->GetMaxHeight(), dpiY);
      draw = [this, picture, top](int x) { DrawPicture(*picture, x, top); };
    }
  }

  if (MovesToNextLine(line, width, pass)) {
    --state.pictureCounter;  // counted again on the next line
    return TagEffect::EndLineKeepTag;
  }
  if (pass == Pass::Second) {
    const int offset = in_.pointX - line.rect.Left;
    if (state.inAnchor && offset > line.width && offset < line.width + width && in_.pointY > top &&
        in_.pointY < top + height) {
      objectHit_ = true;
      out_.anchorValue = state.href;
      pictureUnderPointer_ = state.pictureCounter;
    }
    if (Drawing(pass) && draw) draw(line.x);
  }
  line.x += width;
  line.width += width;
  line.height = std::max(line.height, height);
  line.endsWithBlank = false;
  ++line.pieces;
  lastObjectWidth_ = width;
  lastObjectHeight_ = height;
  if (pass == Pass::Measure) {
    const std::optional<AnsiString> align = Attribute(tag, "ALIGN");
    const int free = line.height - canvas_.TextHeight("gh");
    if (align == "TOP") line.baselineOffset = free;
    else if (align == "MIDDLE") line.baselineOffset = free / 2;
  }
  return TagEffect::Continue;
}

void Engine::DrawListImage(int index, int x, int top) {
  if (!in_.printing) {
    in_.images->Draw(&canvas_, x, top, index);
    return;
  }
  TBitmap bitmap;
  bitmap.SetSize(in_.images->Width(), in_.images->Height());
  in_.images->Draw(bitmap.Canvas(), 0, 0, index);
  PrintBitmap(&canvas_,
              {x, top, x + static_cast<int>(std::lround(in_.images->Width() * in_.printScale)),
               top + static_cast<int>(std::lround(in_.images->Height() * in_.printScale))},
              &bitmap);
}

void Engine::DrawScaledBitmap(TBitmap& bitmap, int x, int top, int width, int height) {
  if (in_.printing) {
    PrintBitmap(&canvas_,
                {x, top, x + static_cast<int>(std::lround(bitmap.Width() * in_.printScale)),
                 top + static_cast<int>(std::lround(bitmap.Height() * in_.printScale))},
                &bitmap);
  } else {
    canvas_.StretchDraw({x, top, x + width, top + height}, &bitmap);
  }
}

void Engine::DrawPicture(THTMLPicture& picture, int x, int top) {
  if (picture.GetFrameCount() > 1) {
    // An animation frame covers part of the picture's screen: clear the rest.
    canvas_.Brush()->SetStyle(bsSolid);
    canvas_.Brush()->SetColor(callBackground_);
    canvas_.FillRect({x, top, x + picture.GetMaxWidth(), top + picture.GetMaxHeight()});
    picture.Draw(&canvas_, Bounds(x + picture.FrameLeft(), top + picture.FrameTop(), picture.Width(), picture.Height()));
  } else {
    picture.Draw(&canvas_, Bounds(x, top, picture.Width(), picture.Height()));
  }
}

void Engine::TileBackground(const AnsiString& source) {
  THTMLPicture* picture = FindPicture(source);
  if (!picture || picture->GetEmpty() || picture->Width() <= 0 || picture->Height() <= 0) return;
  const TRect& b = in_.bounds;
  const TRect clip = canvas_.ClipRect();
  canvas_.IntersectClipRect(b);
  for (int y = b.Top; y < b.Bottom; y += picture->Height())
    for (int x = b.Left; x < b.Right; x += picture->Width())
      picture->Draw(&canvas_, Bounds(x, y, picture->Width(), picture->Height()));
  canvas_.SetClipRect(clip);
}

TagEffect Engine::ApplyControl(std::string_view tag, State& state, Line& line, Pass pass) {
  const ControlTag control = ReadControlTag(tag);
  if (control.width.empty()) return TagEffect::Continue;
  // A width that is not a number keeps the size of the call's last object.
  const std::optional<int> number = WholeNumber(control.width);
  int width = number ? *number : lastObjectWidth_;
  int height = number ? canvas_.TextHeight("gh") + 6 : lastObjectHeight_;
  if (control.type == "BUTTON") {
    height = 18;
  } else if (control.type == "COMBO") {
    height = 25;
  } else if (control.type == "CHECK" || control.type == "RADIO") {
    width = height = 16;
  }
  if (MovesToNextLine(line, width, pass)) return TagEffect::EndLineKeepTag;
  if (pass == Pass::Second) {
    const int offset = in_.pointX - line.rect.Left;
    const bool under = offset > line.width && offset < line.width + width && in_.pointY > line.rect.Top &&
                       in_.pointY < line.rect.Top + height;
    const bool located = in_.hitTestOnly && !control.id.empty() && control.id == out_.controlID;
    if (under || located) {
      objectHit_ = true;
      out_.anchorValue = "ctrl";
      pictureUnderPointer_ = state.pictureCounter;
      const int left = line.rect.Left + line.width;
      out_.controlRect = {left, line.rect.Top, left + width, line.rect.Top + height};
      out_.controlValue = control.value;
      out_.controlID = control.id;
      out_.controlType = control.type;
    }
    if (Drawing(pass)) DrawControl(control, line.x, width, height, PieceRect(state, line).Bottom, line.height);
  }
  line.x += width;
  line.width += width;
  line.height = std::max(line.height, height);
  line.endsWithBlank = false;
  ++line.pieces;
  lastObjectWidth_ = width;
  lastObjectHeight_ = height;
  return TagEffect::Continue;
}

void Engine::DrawControl(const ControlTag& control, int x, int width, int height, int bottom, int lineHeight) {
  const bool hot = in_.pointX > x - 2 && in_.pointX < x + width - 2 && in_.pointY > bottom - height - 2 &&
                   in_.pointY < bottom - 2;
  const bool checked = UpperCase(control.value) == "TRUE";
  canvas_.Pen()->SetColor(clGray);
  canvas_.Brush()->SetStyle(bsClear);
  auto frame = [&] { canvas_.Rectangle(x, bottom - lineHeight + 3, x + width, bottom + 1); };
  auto text = [&](const AnsiString& value, TRect r, unsigned flags) {
    canvas_.Brush()->SetStyle(bsClear);
    canvas_.DrawText(value, r, flags | DT_SINGLELINE | DT_NOPREFIX);
  };
  // A part in the theme's class, or the classic frame control.
  auto part = [&](const char* themeClass, int themePart, int themeState, TRect r, unsigned kind, unsigned state) {
    if (themed_) {
      TThemeService& theme = ThemeService();
      const HTHEME data = theme.OpenThemeData(in_.ownerWindow, themeClass);
      theme.DrawThemeBackground(data, canvas_, themePart, themeState, r);
      theme.CloseThemeData(data);
    } else {
      DrawFrameControl(&canvas_, &r, kind, state);
    }
  };

  if (control.type == "EDIT" || control.type == "PASSWORD" || control.type == "MASK") {
    frame();
    const AnsiString shown = control.type == "PASSWORD" ? AnsiString(control.value.size(), '*') : control.value;
    text(shown, {x + 2, bottom - lineHeight + 4, x + width, bottom}, DT_LEFT | DT_VCENTER);
  } else if (control.type == "COMBO") {
    frame();
    text(control.value, {x + 2, bottom - lineHeight + 6, x + width - 17, bottom}, DT_LEFT | DT_VCENTER);
    part(kThemeComboBox, CP_DROPDOWNBUTTON, hot ? 2 : 1, {x + width - 19, bottom - lineHeight + 6, x + width - 3, bottom - 2},
         DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  } else if (control.type == "CHECK") {
    part(kThemeButton, BP_CHECKBOX, checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL, {x + 2, bottom - 15, x + 15, bottom},
         DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
  } else if (control.type == "RADIO") {
    part(kThemeButton, BP_RADIOBUTTON, checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL,
         {x + 2, bottom - 14, x + 14, bottom}, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
  } else if (control.type == "BUTTON") {
    const TRect face{x + 2, bottom - 20, x + width - 2, bottom};
    part(kThemeButton, BP_PUSHBUTTON, in_.controlDown ? PBS_PRESSED : hot ? PBS_HOT : PBS_NORMAL, face, DFC_BUTTON,
         DFCS_BUTTONPUSH | (hot && in_.controlDown ? DFCS_PUSHED : 0));
    text(control.value, {face.Left + 2, face.Top + 2, face.Right - 2, face.Bottom - 2}, DT_CENTER | DT_VCENTER);
  }
}

}  // namespace markup
