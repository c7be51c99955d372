#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <cstring>
#include <functional>

#include "framework/dragdrop.h"
#include "framework/testing/scripteddrag.h"

namespace {

// A drop target that records the calls and what the drop carried;
// `choose` picks the effect from the key state and the allowed effects.
class RecordingTarget : public IDropTarget {
 public:
  HRESULT DragEnter(const std::shared_ptr<IDataObject>&, DWORD, TPoint, DWORD*) override {
    calls.push_back("enter");
    return S_OK;
  }
  HRESULT DragOver(DWORD keys, TPoint, DWORD* effect) override {
    calls.push_back("over");
    *effect = choose(keys, *effect);
    return S_OK;
  }
  HRESULT DragLeave() override {
    calls.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD keys, TPoint point, DWORD* effect) override {
    calls.push_back("drop");
    dropped = data;
    at = point;
    *effect = choose(keys, *effect);
    return S_OK;
  }
  std::function<DWORD(DWORD, DWORD)> choose = [](DWORD keys, DWORD allowed) {
    if (keys & MK_CONTROL) return DROPEFFECT_COPY;
    return allowed & DROPEFFECT_MOVE;
  };
  std::vector<std::string> calls;
  std::shared_ptr<IDataObject> dropped;
  TPoint at;
};

class Source : public IDropSource {
 public:
  HRESULT QueryContinueDrag(bool escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT GiveFeedback(DWORD effect) override {
    feedback.push_back(effect);
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  std::vector<DWORD> feedback;
};

std::string BlockBytes(const HGLOBAL& block) {
  return block ? std::string(block->bytes.begin(), block->bytes.end()) : std::string();
}

HGLOBAL Rendered(IDataObject& data, unsigned short cf) {
  STGMEDIUM medium;
  return data.GetData(FORMATETC{cf}, medium) == S_OK ? medium.hGlobal : nullptr;
}

TEST(DragService, TheScriptedDragPlaysOutOverTheRegisteredTarget) {
  TScriptedDragService drags;
  TCustomControl control(nullptr);
  control.SetBounds(0, 0, 100, 50);
  auto target = std::make_shared<RecordingTarget>();
  ASSERT_EQ(RegisterDragDrop(&control, target), S_OK);
  auto data = std::make_shared<TMemoryDataObject>();
  data->Add(CF_TEXT, GlobalFromBytes(std::string("cell\0", 5)));
  Source source;
  DWORD effect = 99;

  // No target: the drag is cancelled and the source saw no effect.
  EXPECT_EQ(DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(source.feedback.back(), DROPEFFECT_NONE);

  struct Case {
    const char* name;
    DWORD keys;
    DWORD allowed;
    HRESULT result;
    DWORD effect;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"move", MK_LBUTTON, DROPEFFECT_COPY | DROPEFFECT_MOVE, DRAGDROP_S_DROP, DROPEFFECT_MOVE, {"enter", "over", "drop"}},
      {"copy with Ctrl", MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE, DRAGDROP_S_DROP, DROPEFFECT_COPY,
       {"enter", "over", "drop"}},
      {"refused", MK_LBUTTON, DROPEFFECT_COPY, DRAGDROP_S_CANCEL, DROPEFFECT_NONE, {"enter", "over", "leave"}},
  };
  for (const Case& k : cases) {
    target->calls.clear();
    drags.DropOn(&control, {10, 10}, k.keys);
    EXPECT_EQ(DoDragDrop(data, &source, k.allowed, &effect), k.result) << k.name;
    EXPECT_EQ(effect, k.effect) << k.name;
    EXPECT_EQ(target->calls, k.calls) << k.name;
  }
  EXPECT_EQ(target->at, control.ClientToScreen({10, 10}));

  drags.EscapeAtEnd(true);
  target->calls.clear();
  EXPECT_EQ(DoDragDrop(data, &source, DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(target->calls, (std::vector<std::string>{"enter", "over", "leave"}));

  EXPECT_EQ(RevokeDragDrop(&control), S_OK);
  EXPECT_EQ(RegisteredDropTarget(&control), nullptr);
  EXPECT_FALSE(control.Widget()->acceptDrops());
}

TEST(DropFiles, TheListIsReadInsideItsBlock) {
  const HGLOBAL block = DropFilesBlock({"/tmp/a.csv", "/tmp/\xC3\xBC.hex"});
  EXPECT_EQ(DropFilesNames(block), (std::vector<AnsiString>{"/tmp/a.csv", "/tmp/\xC3\xBC.hex"}));

  auto bytes = [](std::uint32_t offset, bool wide, std::string names) {
    const DROPFILES header{offset, 0, 0, 0, wide ? 1 : 0};
    std::string raw(reinterpret_cast<const char*>(&header), sizeof header);
    return GlobalFromBytes(raw + names);
  };
  struct Case {
    const char* name;
    HGLOBAL block;
    std::vector<AnsiString> names;
  };
  const Case cases[] = {
      {"8-bit names", bytes(20, false, std::string("a.csv\0b\xFC\0\0", 10)), {"a.csv", "b\xC3\xBC"}},
      {"no end name", bytes(20, false, std::string("a\0b\0", 4)), {"a", "b"}},
      {"unterminated", bytes(20, false, "abc"), {}},
      {"offset past the end", bytes(0xFFFFFFF0u, true, std::string("a\0\0\0", 4)), {}},
      {"odd wide tail", bytes(20, true, std::string("a\0\0", 3)), {}},
      {"short header", GlobalFromBytes("abc"), {}},
      {"no block", nullptr, {}},
  };
  for (const Case& k : cases) EXPECT_EQ(DropFilesNames(k.block), k.names) << k.name;
}

TEST(RegisteredFormats, OneNumberPerNameInAnyCase) {
  const unsigned short rtf = RegisterClipboardFormatA("Rich Text Format");
  EXPECT_GE(rtf, 0xC000);
  EXPECT_EQ(RegisterClipboardFormatA("RICH TEXT FORMAT"), rtf);
  EXPECT_NE(RegisterClipboardFormatA("Grid Column"), rtf);
  EXPECT_EQ(ClipboardFormatName(rtf), "Rich Text Format");
  EXPECT_EQ(RegisterClipboardFormatA(""), 0);
  EXPECT_EQ(ClipboardFormatName(CF_TEXT), "");
}

TEST(MimeBridge, FormatsTravelAsMimeTypesBothWays) {
  QMimeData mime;
  mime.setText(QString::fromUtf8("Gr\u00FC\u00DFe"));
  const std::int32_t column = 2;
  mime.setData(kColumnMimeType, QByteArray(reinterpret_cast<const char*>(&column), 4));
  mime.setData(kRichTextMimeType, "{\\rtf1 x}");
  mime.setUrls({QUrl::fromLocalFile("/tmp/a.hex"), QUrl("https://example.invalid/x")});
  const std::shared_ptr<IDataObject> data = DataObjectFromMime(mime);

  EXPECT_EQ(BlockBytes(Rendered(*data, CF_TEXT)), std::string("Gr\xFC\xDF" "e\0", 6));  // Windows code page
  EXPECT_EQ(BlockBytes(Rendered(*data, CF_UNICODETEXT)).size(), 12u);
  EXPECT_EQ(BlockBytes(Rendered(*data, RegisterClipboardFormatA(kColumnFormatName))), std::string("\x02\0\0\0", 4));
  EXPECT_EQ(DropFilesNames(Rendered(*data, CF_HDROP)), std::vector<AnsiString>{"/tmp/a.hex"});  // local files only
  FORMATETC thumbnail{CF_TEXT};
  thumbnail.dwAspect = DVASPECT_THUMBNAIL;
  EXPECT_EQ(data->QueryGetData(thumbnail), DV_E_FORMATETC);

  std::unique_ptr<QMimeData> back(MimeFromDataObject(*data));
  EXPECT_EQ(back->text(), mime.text());
  EXPECT_EQ(back->data(kColumnMimeType), mime.data(kColumnMimeType));
  EXPECT_EQ(back->data(kRichTextMimeType), QByteArray("{\\rtf1 x}"));
  EXPECT_EQ(back->urls(), QList<QUrl>{QUrl::fromLocalFile("/tmp/a.hex")});
}

TEST(FormatList, CloneKeepsThePosition) {
  TFormatList list({FORMATETC{CF_TEXT}, FORMATETC{CF_HDROP}});
  FORMATETC entry;
  unsigned fetched = 0;
  ASSERT_EQ(list.Next(1, &entry, &fetched), S_OK);
  std::shared_ptr<IEnumFORMATETC> copy;
  ASSERT_EQ(list.Clone(&copy), S_OK);
  ASSERT_EQ(copy->Next(2, &entry, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(entry.cfFormat, CF_HDROP);
  EXPECT_EQ(list.Skip(5), S_FALSE);
  EXPECT_EQ(list.Next(1, &entry, &fetched), S_FALSE);
}

TEST(DropEvents, QtDragsReachTheRegisteredTarget) {
  TCustomControl control(nullptr);
  control.SetBounds(0, 0, 100, 50);
  auto target = std::make_shared<RecordingTarget>();
  RegisterDragDrop(&control, target);
  ASSERT_TRUE(control.Widget()->acceptDrops());
  QMimeData mime;
  mime.setText("x");

  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(control.Widget(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(control.Widget(), &move);
  EXPECT_TRUE(move.isAccepted());
  EXPECT_EQ(move.dropAction(), Qt::MoveAction);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ControlModifier);
  QCoreApplication::sendEvent(control.Widget(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(target->calls, (std::vector<std::string>{"enter", "over", "drop"}));
  EXPECT_EQ(BlockBytes(Rendered(*target->dropped, CF_TEXT)), std::string("x\0", 2));
  EXPECT_EQ(target->at, control.ClientToScreen({5, 5}));

  // A refusing target leaves the event ignored.
  target->choose = [](DWORD, DWORD) { return DROPEFFECT_NONE; };
  QDragMoveEvent refused(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(control.Widget(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
