#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <functional>

#include "framework/dragdrop.h"
#include "framework/testing/scripteddrag.h"

namespace {

// A drop target that records the drag messages and what the drop carried;
// `choose` picks the effect for enter, over and drop.
class DropTarget : public TCustomControl {
 public:
  DropTarget() : TCustomControl(nullptr) {
    SetBounds(0, 0, 100, 50);
    const TWndMethod inherited = WindowProc;
    WindowProc = [this, inherited](TMessage& m) {
      if (m.Msg >= CM_DRAGENTER && m.Msg <= CM_DROP) {
        auto* info = reinterpret_cast<TDropInfo*>(m.LParam);
        messages.push_back(m.Msg);
        if (m.Msg == CM_DROP) dropped = *info->Data;
        if (m.Msg != CM_DRAGLEAVE) info->Effect = choose(*info);
        return;
      }
      inherited(m);
    };
  }
  std::function<int(const TDropInfo&)> choose = [](const TDropInfo& info) {
    return (info.KeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
  };
  std::vector<unsigned> messages;
  TDragData dropped;
};

TEST(DragService, TheScriptedDragPlaysOutOverTheTarget) {
  TScriptedDragService drags;
  TCustomControl source(nullptr);
  DropTarget target;
  TDragData data;
  data.Text = "cell";
  data.Column = 3;

  EXPECT_EQ(DragService().DoDragDrop(&source, data, DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_NONE);
  ASSERT_EQ(drags.requests.size(), 1u);  // no target: cancelled
  EXPECT_EQ(drags.requests[0].source, &source);
  EXPECT_TRUE(target.messages.empty());

  struct Case { const char* name; unsigned keys; int allowed; std::function<int(const TDropInfo&)> choose; int effect; std::vector<unsigned> messages; };
  const Case cases[] = {
      {"move", MK_LBUTTON, DROPEFFECT_COPY | DROPEFFECT_MOVE, nullptr, DROPEFFECT_MOVE, {CM_DRAGENTER, CM_DRAGOVER, CM_DROP}},
      {"copy with Ctrl", MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE, nullptr, DROPEFFECT_COPY, {CM_DRAGENTER, CM_DRAGOVER, CM_DROP}},
      {"move not allowed", MK_LBUTTON, DROPEFFECT_COPY, nullptr, DROPEFFECT_NONE, {CM_DRAGENTER, CM_DRAGLEAVE}},
      {"refused", MK_LBUTTON, DROPEFFECT_COPY, [](const TDropInfo&) { return DROPEFFECT_NONE; }, DROPEFFECT_NONE, {CM_DRAGENTER, CM_DRAGLEAVE}},
  };
  for (const Case& k : cases) {
    DropTarget over;
    if (k.choose) over.choose = k.choose;
    drags.DropOn(&over, {10, 10}, k.keys);
    EXPECT_EQ(DragService().DoDragDrop(&source, data, k.allowed), k.effect) << k.name;
    EXPECT_EQ(over.messages, k.messages) << k.name;
    if (k.effect != DROPEFFECT_NONE) {
      EXPECT_EQ(over.dropped.Text, "cell") << k.name;
      EXPECT_EQ(over.dropped.Column, 3) << k.name;
    }
  }
}

TEST(DropEvents, QtDragsBecomeDragMessages) {
  DropTarget target;
  SetAcceptDrops(&target, true);
  QMimeData mime;
  mime.setText(QString::fromUtf8("Gr\u00FC\u00DFe"));
  mime.setData(kColumnMimeType, "2");
  mime.setUrls({QUrl::fromLocalFile("/tmp/a.hex"), QUrl("https://example.invalid/x")});

  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target.Widget(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::MoveAction);

  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ControlModifier);
  QCoreApplication::sendEvent(target.Widget(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(target.messages, (std::vector<unsigned>{CM_DRAGENTER, CM_DROP}));
  EXPECT_EQ(target.dropped.Text, "Gr\xFC\xDF" "e");  // in the Windows code page
  EXPECT_EQ(target.dropped.Column, 2);
  EXPECT_EQ(target.dropped.Files, (std::vector<AnsiString>{"/tmp/a.hex"}));  // local files only

  // A refusing target leaves the event ignored.
  target.choose = [](const TDropInfo&) { return DROPEFFECT_NONE; };
  QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target.Widget(), &move);
  EXPECT_FALSE(move.isAccepted());

  SetAcceptDrops(&target, false);
  EXPECT_FALSE(target.Widget()->acceptDrops());
}

}  // namespace
