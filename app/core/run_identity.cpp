#include "app/core/run_identity.h"

#include <unistd.h>

#include <QUuid>
#include <climits>
#include <mutex>

#include "text/utf8_codec.h"

namespace app {
namespace {

std::mutex identityMutex;
std::u16string namedSite;

std::u16string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return text::utf8ToUtf16(name);
}

const std::string& runId() {
  static const std::string id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
  return id;
}

}  // namespace

void setRunSite(const std::u16string& site) {
  const std::scoped_lock lock(identityMutex);
  namedSite = site;
}

RunIdentity runIdentity() {
  const std::scoped_lock lock(identityMutex);
  return {namedSite.empty() ? hostName() : namedSite, runId()};
}

}  // namespace app
