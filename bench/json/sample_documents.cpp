#include "sample_documents.h"

#include <cstdint>
#include <random>

namespace bench {

const std::string& deviceStateDocument() {
  static const std::string document = R"({
  "globals": {"ZEDEZVer": "1.0.10", "model": "Tesmora ORP", "serial": "TSM-2019-004127",
              "fiscalMemory": {"used": 18.25, "free": 81.75, "records": 41822}},
  "network": {"ip": "10.77.82.80", "mask": "255.255.255.0", "gateway": "10.77.82.1",
              "dhcp": false, "dns": ["10.77.82.1", "8.8.8.8"]},
  "printer": {"state": "ready", "paper": true, "temperature": 41.5, "cutter": "ok",
              "lastError": null, "linesPrinted": 1289334},
  "ekasa": {"connected": true, "lastSync": "2026-12-08T18:02:11Z", "queue": 0,
            "certificateValidTo": "2028-03-31", "uuid": "9c1e4d2a-77b0-4f0e-9a1d-3b6f0c2e8d41"},
  "cashDrawer": {"open": false, "balance": 1523.4500, "currency": "EUR"},
  "settings": {"timeout": 3000, "language": "sk", "display": "Vitajte v predajni \u00fa"},
  "tasks": [{"id": 1, "name": "zaverka", "done": true}, {"id": 2, "name": "export", "done": false}]
})";
  return document;
}

std::string mixedDocument(std::size_t bytes) {
  std::mt19937 random(20261208);
  std::string text = "[";
  std::uint64_t id = 0;
  while (text.size() < bytes) {
    ++id;
    text += "{\"id\":" + std::to_string(id) + ",\"sku\":\"SKU-" +
            std::to_string(random() % 100000) + "\",\"name\":\"Polo\\u017eka \xc4\x8d. " +
            std::to_string(id % 977) +
            " \\\"special\\\"\",\"price\":" + std::to_string(random() % 10000) + "." +
            std::to_string(random() % 100) + ",\"ratio\":0." + std::to_string(random()) +
            ",\"big\":" + std::to_string(random()) + "e" + std::to_string(random() % 40) +
            ",\"active\":" + (random() % 2 ? "true" : "false") +
            ",\"note\":null,\"tags\":[\"a\",\"b\\/c\"," + std::to_string(random() % 1000) +
            "],\"dims\":{\"w\":" + std::to_string(random() % 500) + ",\"h\":-" +
            std::to_string(random() % 500) + "}},\n";
  }
  text += "null]";
  return text;
}

}  // namespace bench
