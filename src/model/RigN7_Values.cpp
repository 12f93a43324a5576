// The values the operation sends, as the service record sees them, and the
// sending back of values from another image (the image as read for a
// revert, a saved image for a restore): only the adjustable bytes, each as
// its own adjustment command, never a clone write.
#include <algorithm>

#include "model/clsIndOp_RigN7.h"
#include "shell/Common.h"

namespace {

// The settle time after a procedure point sent back (the console items
// have their own).
constexpr std::int32_t kPointSettleMs = 200;
constexpr std::int16_t kTxfPoints = 40;

std::string Caption(const std::string& title) {
    const std::size_t first = title.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : title.substr(first);
}

} // namespace

const char* SendSourceText(SendSource source) {
    switch (source) {
    case SendSource::Key: return "key";
    case SendSource::Txf: return "TXF";
    case SendSource::SMeter: return "S-meter";
    case SendSource::BpfSweep: return "band-pass sweep";
    case SendSource::Revert: return "revert";
    case SendSource::Restore: return "restore";
    }
    return "?";
}

bool clsIndOp_RigN7::IsAdjustableItem(std::int16_t i) const {
    // Items that send their own E8 command and carry an EEPROM byte; the
    // channel selection stores nothing in the radio.
    return console_.EeAdr(i) >= 0 && console_.E8Command(i) >= 0 && console_.Event_SendE8(i) < 0;
}

std::vector<AdjustableByte> clsIndOp_RigN7::AdjustableBytes() const {
    std::vector<AdjustableByte> out;
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (!IsAdjustableItem(i)) continue;
        out.push_back({console_.EeAdr(i), console_.E8Command(i), Caption(console_.Title(i)), i,
                       console_.EeDataSigned(i)});
    }
    out.push_back({rign7ee::kSMeterS1, rign7e8::kSMeterS1, "S-METER S1", -1, false});
    out.push_back({rign7ee::kSMeterS3, rign7e8::kSMeterS3, "S-METER S3", -1, false});
    for (std::int16_t p = 0; p < kTxfPoints; ++p)
        out.push_back({rign7ee::kTxfPoint0 + p, static_cast<std::int16_t>(rign7e8::kTxfPoint0 + p),
                       "TXF point " + std::to_string(p), -1, false});
    return out;
}

std::vector<ValueDifference> clsIndOp_RigN7::RigOpFunc_Differences(const ByteStr& other) const {
    std::vector<ValueDifference> out;
    const clsCmcEeprom& image = radio_.eepImage();
    for (const AdjustableByte& b : AdjustableBytes()) {
        if (b.adr < 0 || static_cast<std::size_t>(b.adr) >= other.size()) continue;
        const auto now = static_cast<std::uint8_t>(image.ReadByte(b.adr));
        const std::uint8_t target = other[static_cast<std::size_t>(b.adr)];
        if (now != target) out.push_back({b, now, target});
    }
    return out;
}

bool clsIndOp_RigN7::RigOpFunc_CanSendValues() const {
    // Not before the first cycle has sent every value as read: a value sent
    // back meanwhile would be overwritten by it.
    return imageComplete && RigN7Prop_EditEnabled() && procStep == 0 && pending_.empty() && !initialSend_ &&
           !verifyRequest_ && !verifying_;
}

int clsIndOp_RigN7::RigOpFunc_SendValues(const ByteStr& target, SendSource source) {
    if (!RigOpFunc_CanSendValues()) return 0;
    for (const ValueDifference& d : RigOpFunc_Differences(target)) pending_.push_back({d.byte, d.target, source});
    sendingSource_ = source;
    sendingTotal_ = static_cast<int>(pending_.size());
    sendingEnded_ = 0;
    return sendingTotal_;
}

int clsIndOp_RigN7::TakeSendingEnded() {
    const int n = sendingEnded_;
    sendingEnded_ = 0;
    return n;
}

std::vector<SentValue> clsIndOp_RigN7::PendingValues() const {
    std::vector<SentValue> out;
    for (const PendingValue& p : pending_) {
        SentValue v;
        v.item = p.byte.name;
        v.adr = p.byte.adr;
        v.asRead = AsReadByte(p.byte.adr);
        v.before = static_cast<std::uint8_t>(radio_.eepImage().ReadByte(p.byte.adr));
        v.sent = p.value;
        v.source = p.source;
        v.isSigned = p.byte.isSigned;
        out.push_back(v);
    }
    return out;
}

std::vector<SentValue> clsIndOp_RigN7::RigOpFunc_DropPending(const std::string& cause) {
    std::vector<SentValue> out = PendingValues();
    // The value on its way when the sending ended may not have reached the
    // radio (a link failure ends its command): it is named too.
    if (inFlight_) {
        SentValue v;
        v.item = inFlight_->byte.name;
        v.adr = inFlight_->byte.adr;
        v.asRead = AsReadByte(v.adr);
        v.before = inFlightBefore_;
        v.sent = inFlight_->value;
        v.source = inFlight_->source;
        v.isSigned = inFlight_->byte.isSigned;
        out.insert(out.begin(), v);
    }
    inFlight_.reset();
    pending_.clear();
    sendingTotal_ = 0;
    if (!out.empty() && record_ != nullptr) record_->ValuesNotSent(out, cause);
    return out;
}

SendSource clsIndOp_RigN7::ChangedItemSource(std::int16_t i) const {
    // The sweep sets the band-pass points through the console; the cycle
    // sends them for it.
    if (BpfRunning() && i >= idxBpfT1 && i < idxBpfT1 + 4) return SendSource::BpfSweep;
    return SendSource::Key;
}

void clsIndOp_RigN7::SendPendingValue() {
    const PendingValue p = pending_.front();
    pending_.erase(pending_.begin());
    inFlight_ = p;
    inFlightBefore_ = static_cast<std::uint8_t>(radio_.eepImage().ReadByte(p.byte.adr));
    if (p.byte.item >= 0) {
        // Through the console: its line, the image and the settle time follow.
        std::int16_t v = p.value;
        if (p.byte.isSigned && v >= 128) v = static_cast<std::int16_t>(v - 256);
        console_.Value(p.byte.item, v);
        console_.flgChanged(p.byte.item, false);
        SendItem(p.byte.item, p.source);
    } else {
        SendProcedureByte(p.byte.e8Code, p.byte.adr, p.value, p.source, p.byte.name);
        waitE8Required = kPointSettleMs;
    }
}

void clsIndOp_RigN7::SendItem(std::int16_t i, SendSource source) {
    const std::int32_t adr = console_.EeAdr(i);
    const bool adjustable = IsAdjustableItem(i);
    // A value the technician stepped is not overwritten by one still to be sent back.
    if (source != SendSource::Revert && source != SendSource::Restore)
        std::erase_if(pending_, [adr](const PendingValue& p) { return p.byte.adr == adr; });
    const auto before = static_cast<std::uint8_t>(radio_.eepImage().ReadByte(adr));
    console_.SendE8(i);
    const auto sent = static_cast<std::uint8_t>(radio_.eepImage().ReadByte(adr));
    // The first cycle sends every item with its value as read: one line of
    // the record says so. A value stepped before its first send is its own,
    // and so is every later send of an item (a step away and back).
    const auto pos = static_cast<std::size_t>(i);
    const bool firstSend = pos < initialItemSent_.size() && !initialItemSent_[pos];
    if (initialSend_ && source == SendSource::Key && firstSend) {
        initialItemSent_[pos] = true;
        if (!adjustable || sent == AsReadByte(adr)) {
            // Items that send nothing (the procedure lines) are not counted.
            if (console_.E8Command(i) >= 0 || console_.Event_SendE8(i) >= 0) ++initialSent_;
            return;
        }
    }
    if (adjustable) Record(Caption(console_.Title(i)), adr, before, sent, source, console_.EeDataSigned(i));
}

void clsIndOp_RigN7::SendProcedureByte(std::int16_t code, std::int32_t adr, std::int16_t value, SendSource source,
                                       const std::string& name) {
    const auto before = static_cast<std::uint8_t>(radio_.eepImage().ReadByte(adr));
    link_.easySendE8NoAnswer(ByteToHexStr(code) + ByteToAsciiHexStr(value));
    radio_.eepImage().WriteByte(adr, static_cast<std::uint8_t>(value & 0xFF));
    Record(name, adr, before, static_cast<std::uint8_t>(value & 0xFF), source, false);
}

void clsIndOp_RigN7::Record(const std::string& name, std::int32_t adr, std::uint8_t before, std::uint8_t sent,
                            SendSource source, bool isSigned) {
    if (std::find(unverified_.begin(), unverified_.end(), adr) == unverified_.end()) unverified_.push_back(adr);
    if (record_ == nullptr) return;
    SentValue v;
    v.item = name;
    v.adr = adr;
    v.asRead = AsReadByte(adr);
    v.before = before;
    v.sent = sent;
    v.source = source;
    v.isSigned = isSigned;
    record_->ValueSent(v);
}

std::uint8_t clsIndOp_RigN7::AsReadByte(std::int32_t adr) const {
    if (adr < 0 || static_cast<std::size_t>(adr) >= imageAsRead.size()) return 0;
    return imageAsRead[static_cast<std::size_t>(adr)];
}
