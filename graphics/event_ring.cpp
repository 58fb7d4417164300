#include "graphics/event_ring.h"

namespace Gravo {

namespace {

const WORD kind_key_down = 0x0100;
const WORD kind_key_up = 0x0101;
const WORD kind_char = 0x0102;

bool is_motion(const GraphMessage& m) { return m.kind == WM_MOUSEMOVE; }

bool same_buttons(const GraphMessage& a, const GraphMessage& b) {
  return a.left_down == b.left_down && a.middle_down == b.middle_down && a.right_down == b.right_down &&
         a.ctrl_down == b.ctrl_down && a.shift_down == b.shift_down;
}

}  // namespace

BYTE message_category(WORD kind) {
  if (kind >= WM_MOUSEFIRST && kind <= WM_MOUSEWHEEL) return GM_MOUSE;
  if (kind == kind_key_down || kind == kind_key_up) return GM_KEY;
  if (kind == kind_char) return GM_CHAR;
  if (kind == WM_MOVE || kind == WM_SIZE || kind == WM_ACTIVATE) return GM_WINDOW;
  return 0;
}

bool EventRing::push(const GraphMessage& message) {
  if (is_motion(message) && !empty()) {
    GraphMessage& newest = slots_[(tail_ + capacity - 1) % capacity];
    if (is_motion(newest) && same_buttons(newest, message)) {
      newest = message;
      return true;
    }
  }
  if (after(tail_) == head_ && !drop_oldest_motion()) return false;
  slots_[tail_] = message;
  tail_ = after(tail_);
  return true;
}

bool EventRing::drop_oldest_motion() {
  BYTE at = head_;
  while (at != tail_ && !is_motion(slots_[at])) at = after(at);
  if (at == tail_) return false;
  // The records behind it close up, keeping their order.
  for (BYTE next = after(at); next != tail_; at = next, next = after(next)) slots_[at] = slots_[next];
  tail_ = at;
  return true;
}

bool EventRing::peek(GraphMessage* out, BYTE filter, bool remove) {
  const BYTE all_categories = GM_MOUSE | GM_KEY | GM_CHAR | GM_WINDOW;
  if ((filter & all_categories) != all_categories) {
    while (!empty() && !(message_category(slots_[head_].kind) & filter)) {
      head_ = after(head_);
    }
  }
  if (empty()) return false;
  if (out) *out = slots_[head_];
  if (remove) head_ = after(head_);
  return true;
}

GraphMessage mouse_record(UINT message, WPARAM wparam, POINT position) {
  GraphMessage record = {};
  record.kind = static_cast<WORD>(message);
  record.ctrl_down = (wparam & MK_CONTROL) != 0;
  record.shift_down = (wparam & MK_SHIFT) != 0;
  record.left_down = (wparam & MK_LBUTTON) != 0;
  record.middle_down = (wparam & MK_MBUTTON) != 0;
  record.right_down = (wparam & MK_RBUTTON) != 0;
  record.x = static_cast<SHORT>(position.x);
  record.y = static_cast<SHORT>(position.y);
  record.wheel_delta = static_cast<SHORT>(HIWORD(wparam));
  return record;
}

GraphMessage key_record(UINT message, WPARAM wparam, LPARAM lparam) {
  GraphMessage record = {};
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  record.kind = down ? kind_key_down : kind_key_up;
  record.virtual_key = static_cast<BYTE>(wparam & 0xFF);
  record.scan_code = static_cast<BYTE>((lparam >> 16) & 0xFF);
  record.is_extended = (lparam >> 24) & 1;
  record.was_down = (lparam >> 30) & 1;
  return record;
}

GraphMessage char_record(WPARAM wparam) {
  GraphMessage record = {};
  record.kind = kind_char;
  record.unit = static_cast<WORD>(wparam);
  return record;
}

GraphMessage window_record(UINT message, WPARAM wparam, LPARAM lparam) {
  GraphMessage record = {};
  record.kind = static_cast<WORD>(message);
  record.wparam = static_cast<DWORD>(wparam);
  record.lparam = static_cast<DWORD>(lparam);
  return record;
}

}  // namespace Gravo
