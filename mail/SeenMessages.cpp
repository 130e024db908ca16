#include "mail/SeenMessages.h"

#include <utility>

SeenMessages::Recollection SeenMessages::Take(const std::string& owner) {
  std::lock_guard<std::mutex> hold(Lock);
  Recollection taken;
  if (owner == Owner) taken = std::move(Kept);
  Kept = Recollection();
  return taken;
}

void SeenMessages::Keep(const std::string& owner, Recollection recollection) {
  std::lock_guard<std::mutex> hold(Lock);
  Owner = owner;
  Kept = std::move(recollection);
}
