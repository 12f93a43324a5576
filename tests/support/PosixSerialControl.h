#pragma once
// A serial control over a POSIX terminal device, for tests that talk to the
// simulator executable through a real pseudo-terminal. Every port number
// opens the one device given at construction. Nothing blocks: writes that
// the terminal cannot take yet wait in an internal queue, and pump() (call it
// from the test's loop) moves them on and raises the receive event.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/SerialControl.h"

namespace testsupport {

class PosixSerialControl final : public platform::ISerialControl {
public:
    explicit PosixSerialControl(std::string device) : device_(std::move(device)) {}
    ~PosixSerialControl() override;
    PosixSerialControl(const PosixSerialControl&) = delete;
    PosixSerialControl& operator=(const PosixSerialControl&) = delete;

    // Flushes queued output and raises the receive event when bytes wait.
    // Returns true when anything happened.
    bool pump();
    // Speed the port was last opened at.
    std::int32_t baud() const { return baud_; }

    void setCommPort(std::int16_t n) override { port_ = n; }
    std::int16_t commPort() const override { return port_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setDTREnable(bool) override {}
    void setRTSEnable(bool) override {}
    void setInBufferSize(int bytes) override { inBufferSize_ = bytes; }
    void setOutBufferSize(int bytes) override { outBufferSize_ = bytes; }
    void setRThreshold(int) override {}
    bool portOpen() const override { return fd_ >= 0; }
    bool setPortOpen(bool open) override;
    std::string lastErrorText() const override { return lastError_; }
    std::string deviceName() const override { return device_; }
    int inBufferCount() override;
    ByteStr input() override;
    bool output(const ByteStr& bytes) override;
    int outBufferSize() const override { return outBufferSize_; }
    int outBufferCount() override;
    void discardOutput() override;
    void setOnComm(std::function<void(int)> handler) override { onComm_ = std::move(handler); }

private:
    void readAvailable();
    void flushOut();

    std::string device_;
    std::int16_t port_ = 1;
    std::string settings_ = "9600,N,8,1";
    std::int32_t baud_ = 9600;
    int inBufferSize_ = 32760;
    int outBufferSize_ = 1024;
    int fd_ = -1;
    std::string lastError_;
    ByteStr in_;
    ByteStr out_;
    std::function<void(int)> onComm_;
};

} // namespace testsupport
