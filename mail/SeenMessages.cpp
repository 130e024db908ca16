#include "mail/SeenMessages.h"

#include <utility>

SeenMessages::Messages SeenMessages::Take(const std::string& owner) {
  std::lock_guard<std::mutex> hold(Lock);
  Messages taken;
  if (owner == Owner) taken.swap(Known);
  Known.clear();
  return taken;
}

void SeenMessages::Keep(const std::string& owner, Messages messages) {
  std::lock_guard<std::mutex> hold(Lock);
  Owner = owner;
  Known = std::move(messages);
}
