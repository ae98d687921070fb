#pragma once
// One virtual camera: the state machine behind a device's three pipes.
//
// - PIPE01 takes 8-byte command packets (a write may carry several; a
//   trailing partial packet is ignored). Register writes are the 0xE4 pairs;
//   the camera keeps the values.
// - The camera answers status (PIPE02) only once started by 0x84 then 0x88;
//   before that every status answer is zeros. Started, it answers "frame
//   ready" (0x10 in byte 0, 8 or 16) once a frame interval has passed since
//   the last transfer began, and "not yet" (0x20 in byte 1) before. 0x51
//   makes a fresh answer pending (replacing any unread rest); a status read
//   with nothing pending gets a fresh answer too.
// - 0x94 takes a picture in the format last commanded and makes its 128-byte
//   header and luminance plane pending on PIPE00; 0x98 then adds a header
//   and the colour-difference plane of the same picture. 0xA4 ends the
//   transfer and drops whatever was not read.
// - The frame interval is the base interval plus one exposure step per unit
//   of register 58.
//
// The camera buffers at most four planes; 0x94 or 0x98 while that much is
// still unread adds nothing.
//
// Reads return at most the size asked of what is pending and keep the rest.
// Not thread-safe: the daemon's loop or the in-process bus serialise calls.

#include "platform/clock/clock.h"
#include "platform/ousbdrv/packet_log.h"
#include "platform/ousbdrv/picture.h"
#include "platform/ousbdrv/plane_encoder.h"
#include "platform/ousbdrv/protocol.h"
#include "platform/ousbdrv/scene.h"
#include "platform/ousbdrv/transport.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace platform::ousbdrv {

struct CameraOptions {
    std::chrono::milliseconds baseFrameInterval{30};
    std::chrono::milliseconds exposureStep{15};
    // Byte of the status answer that carries "frame ready": 0, 8 or 16, or
    // -1 to take the three in turn.
    int readyByte = -1;
    // Time of day shown by the test pattern's clock; the camera's clock
    // when not given.
    std::function<std::chrono::milliseconds()> timeOfDay;
};

class VirtualCamera {
public:
    // `scene` and `clock` must outlive the camera; `log` may be null.
    VirtualCamera(int number, const SceneSource& scene, clock::Clock& clock, CameraOptions options,
                  PacketLog* log = nullptr);

    // What a client's read or write on a pipe does; -1 for a request the
    // camera refuses (wrong direction, oversized write). Logged.
    long read(int pipe, std::span<std::uint8_t> buffer);
    long write(int pipe, std::span<const std::uint8_t> data);

    int number() const { return number_; }
    bool started() const { return started_; }
    int registerValue(int reg) const;
    FrameFormat format() const { return format_; }
    std::chrono::milliseconds frameInterval() const;
    std::uint32_t framesTaken() const { return frameNumber_; }
    std::size_t pendingFrameBytes() const { return frameQueue_.size() - frameRead_; }

private:
    void command(const std::uint8_t* packet);
    void beginTransfer();
    void appendPlane(std::uint8_t plane, const std::vector<std::uint8_t>& bytes);
    void makeStatusAnswer();
    bool frameReady() const;

    int number_;
    const SceneSource& scene_;
    clock::Clock& clock_;
    CameraOptions options_;
    PacketLog* log_;
    PlaneEncoder encoder_;
    std::chrono::milliseconds plugTime_;

    bool startArmed_ = false;
    bool started_ = false;
    std::array<std::uint8_t, kMaxRegister + 1> registers_{};
    int selectedRegister_ = -1;
    FrameFormat format_;
    std::chrono::milliseconds exposureStart_{0};
    int readyTurn_ = 0;

    bool transferOpen_ = false;
    std::uint32_t frameNumber_ = 0;
    FrameFormat transferFormat_;
    std::chrono::milliseconds transferTime_{0};
    Picture scenePicture_;
    Picture framePicture_;
    std::vector<std::uint8_t> planeA_;
    std::vector<std::uint8_t> planeB_;

    std::vector<std::uint8_t> frameQueue_;
    std::size_t frameRead_ = 0;
    std::array<std::uint8_t, kStatusAnswerSize> status_{};
    std::size_t statusLeft_ = 0;
};

} // namespace platform::ousbdrv
