// libFuzzer target: any bytes as a DNS reply, read as the resolver reads it, and
// fed through the lookup and the mail-exchanger walk; everything must stay in bounds.
#include <cstddef>
#include <cstdint>

#include "DnsMessage.h"
#include "DnsResolver.h"

namespace {

class FixedReply : public netdiag::DnsTransport {
 public:
  FixedReply(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool exchange(const std::string&, const std::vector<uint8_t>& message, bool,
                std::vector<uint8_t>& reply) override {
    if (++calls_ > 64 || size_ == 0) return false;
    // The first bytes of the input stand in for the question the resolver sent.
    reply.assign(message.begin(), message.end());
    reply.insert(reply.end(), data_, data_ + size_);
    if (reply.size() > 12) std::copy(data_, data_ + (size_ < 12 ? size_ : 12), reply.begin());
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  int calls_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t question : {size_t{0}, size_t{12}, size_t{17}}) netdiag::parseDnsReply(data, size, question);
  std::string name;
  size_t next;
  if (size > 0) netdiag::decodeDnsName(data, size, data[0] % size, name, next);

  FixedReply transport(data, size);
  std::vector<std::string> answers;
  netdiag::dnsLookup(transport, "MX", nullptr, "10.0.0.53", "corp.test", answers);
  FixedReply again(data, size);
  netdiag::dnsLookup(again, "NS", "corp.test", "10.0.0.53", "", answers);
  netdiag::answerBlock(answers);
  return 0;
}
