// The connectivity check: the fixed message's structure, and its trip through a real proxy's
// CONNECT tunnel to a TLS 1.0 service.
#include "app/core/connectivity_check.h"

#include <gtest/gtest.h>

#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <regex>
#include <string>

#include "app/core/connectivity_message.h"
#include "device_simulator.h"
#include "text/utf8_codec.h"
#include "tool_process.h"

namespace {

using testsupport::ToolProcess;

std::string attribute(const QXmlStreamReader& reader, const char* name) {
  return reader.attributes().value(QString::fromLatin1(name)).toString().toStdString();
}

TEST(ConnectivityMessage, IsOneAsciiLineOfWellFormedSoapWithTheFieldsAtTheirLengths) {
  const std::string_view message = app::connectivityCheckMessage();
  EXPECT_EQ(message.size(), 5133U);
  EXPECT_TRUE(
      std::all_of(message.begin(), message.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));

  QXmlStreamReader reader(QByteArray(message.data(), static_cast<qsizetype>(message.size())));
  std::vector<std::string> elements;
  std::string tokenId;
  std::string referenceUri;
  std::string certificate;
  std::string signatureValue;
  std::string digestValue;
  std::string pkp;
  std::string okp;
  std::string swId;
  std::string uuid;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    const std::string name = reader.qualifiedName().toString().toStdString();
    elements.push_back(name);
    if (name == "wsse:BinarySecurityToken") {
      tokenId = attribute(reader, "wsu:Id");
      certificate = reader.readElementText().toStdString();
    } else if (name == "wsse:Reference") {
      referenceUri = attribute(reader, "URI");
    } else if (name == "DigestValue") {
      digestValue = reader.readElementText().toStdString();
    } else if (name == "SignatureValue") {
      signatureValue = reader.readElementText().toStdString();
    } else if (name == "ekasa:PKP") {
      pkp = reader.readElementText().toStdString();
    } else if (name == "ekasa:OKP") {
      okp = reader.readElementText().toStdString();
    } else if (name == "ekasa:Header") {
      swId = attribute(reader, "SwId");
      uuid = attribute(reader, "Uuid");
    }
  }
  ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();

  const std::vector<std::string> expectedOrder = {"MF:Envelope",
                                                  "MF:Header",
                                                  "wsse:Security",
                                                  "wsse:BinarySecurityToken",
                                                  "Signature",
                                                  "SignedInfo",
                                                  "CanonicalizationMethod",
                                                  "SignatureMethod",
                                                  "Reference",
                                                  "Transforms",
                                                  "Transform",
                                                  "Transform",
                                                  "DigestMethod",
                                                  "DigestValue",
                                                  "SignatureValue",
                                                  "KeyInfo",
                                                  "wsse:SecurityTokenReference",
                                                  "wsse:Reference",
                                                  "MF:Body",
                                                  "ekasa:RegisterReceiptRequest",
                                                  "ekasa:Header",
                                                  "ekasa:ReceiptData",
                                                  "ekasa:Items",
                                                  "ekasa:Item",
                                                  "ekasa:ValidationCode",
                                                  "ekasa:PKP",
                                                  "ekasa:OKP"};
  EXPECT_EQ(elements, expectedOrder);
  EXPECT_TRUE(std::regex_match(tokenId, std::regex("x509-[0-9a-f]{32}")));
  EXPECT_EQ(referenceUri, "#" + tokenId);
  EXPECT_EQ(certificate.size(), 1944U);
  EXPECT_EQ(testsupport::base64Decode(certificate).size(), 1458U);
  EXPECT_EQ(digestValue.size(), 44U);
  EXPECT_EQ(signatureValue.size(), 344U);
  EXPECT_EQ(pkp.size(), 344U);
  EXPECT_TRUE(std::regex_match(okp, std::regex("([0-9A-F]{8}-){4}[0-9A-F]{8}")));
  EXPECT_TRUE(std::regex_match(swId, std::regex("[0-9A-F]{40}")));
  EXPECT_TRUE(std::regex_match(
      uuid, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}")));
}

TEST(ConnectivityCheck, PostsTheMessageThroughTheProxyTunnelOverTls10) {
  ToolProcess service("tls_service.py", "127.0.0.1",
                      {"--port", "0", "--mode", "tls1", "--body", "<ok/>"});
  const int servicePort = service.ports().at(0);
  testsupport::Tinyproxy proxy(servicePort);

  app::ConnectivityCheckTarget target;
  target.serviceUrl = u"https://localhost:" + text::latin1ToUtf16(std::to_string(servicePort)) +
                      u"/mdu/soap/services/v2";
  target.proxyHost = u"127.0.0.1";
  target.proxyPort = proxy.port();
  EXPECT_EQ(app::runConnectivityCheck(target), u"<ok/>");

  const auto records = service.records();
  ASSERT_EQ(records.size(), 1U);
  EXPECT_EQ(records[0].getPathString(u"kind"), u"request");
  EXPECT_EQ(records[0].getPathString(u"tls_version"), u"TLSv1");
  EXPECT_EQ(records[0].getPathString(u"sni"), u"localhost");
  EXPECT_EQ(testsupport::base64Decode(text::utf16ToUtf8(records[0].getPathString(u"body_b64"))),
            app::connectivityCheckMessage());
}

TEST(ConnectivityCheck, AnUnreachableProxyBecomesTheOutcomeText) {
  app::ConnectivityCheckTarget target;
  target.proxyHost = text::latin1ToUtf16(testsupport::freshLoopbackAddress());
  const std::u16string outcome = app::runConnectivityCheck(target);
  EXPECT_EQ(outcome.rfind(u"SocketError error raised, with message : Socket Error # 10061", 0), 0U)
      << text::utf16ToUtf8(outcome);
}

}  // namespace
