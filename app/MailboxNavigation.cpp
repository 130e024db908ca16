#include "app/MailboxNavigation.h"

MailboxNavigation NavigationFor(int32_t current, int32_t count) {
  MailboxNavigation bar;
  bar.First = current > 0;
  bar.MoveFront = bar.First;
  bar.Next = current < count - 1;
  bar.MoveBack = bar.Next;
  bar.Add = true;
  bar.Delete = count > 1;
  bar.Number = current + 1;
  bar.Count = count;
  return bar;
}
