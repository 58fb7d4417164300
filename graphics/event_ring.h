// The window's event queue: a ring of GraphMessage records, the category
// filter, and the translation of window messages into records. Plain logic;
// the window procedure holds the queue lock around it.
#ifndef GRAVO_GRAPHICS_EVENT_RING_H
#define GRAVO_GRAPHICS_EVENT_RING_H

#include <windows.h>

#include "graphics/gravo.h"

namespace Gravo {

// GM_MOUSE, GM_KEY, GM_CHAR, GM_WINDOW or 0 for other kinds.
BYTE message_category(WORD kind);

class EventRing {
 public:
  static const int capacity = 64;

  // Appends the record. Pointer motion merges into a motion record with the
  // same buttons and modifiers queued just before it, which takes the newer
  // position. A full ring (63 records) makes room by dropping its oldest
  // motion record, so that presses, releases, keys and characters are not
  // lost to a moving mouse; false when nothing could give way and the
  // record was dropped.
  bool push(const GraphMessage& message);
  // Drops records of other categories ahead of the first match (unless the
  // filter takes every category), then copies out and optionally removes
  // the oldest record. False when the ring ends up empty.
  bool peek(GraphMessage* out, BYTE filter, bool remove);
  bool empty() const { return head_ == tail_; }

 private:
  static BYTE after(BYTE index) { return static_cast<BYTE>((index + 1) % capacity); }
  bool drop_oldest_motion();

  GraphMessage slots_[capacity] = {};
  BYTE head_ = 0;
  BYTE tail_ = 0;
};

// Records for the window messages that the queue takes; `position` is the
// cursor in client coordinates.
GraphMessage mouse_record(UINT message, WPARAM wparam, POINT position);
GraphMessage key_record(UINT message, WPARAM wparam, LPARAM lparam);
GraphMessage char_record(WPARAM wparam);
GraphMessage window_record(UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace Gravo

#endif
