// TOneInstance keeps a program to one running copy. Dropped on the main form, it acts while the form is
// read from its definition. The first copy publishes a 6-byte shared record named after the size of
// the executable (the same program meets itself whatever folder it runs from):
//
//   offset 0  4 bytes  the first copy's receiver window (a hidden window of this component)
//   offset 4  1 byte   MaxNewInstances, signed (negative: no limit)
//   offset 5  1 byte   the number of later copies handing over right now, unsigned
//
// A later copy finds the record, counts itself in and, when the maximum allows, hands its command line
// over (UTF-8, in two named blocks that the receiver opens by the sender's application window) with
// message 1125; in any case it asks the first copy to come to the front and ends the process with exit
// code 0 before its own main form is shown. With MaxNewInstances 0 nothing is handed over.
//
// Everything read from the shared blocks is checked first: any process can create them under their
// predictable names. A record whose window is no live receiver of this kind (damaged, foreign, or left
// behind by a copy that died) is taken over by the starting copy, which then runs as the first.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Component.h"

// The command line of a later copy arrived: its application window and its whole command line.
using TPOnNewInstanceLoad = std::function<void(TObject* sender, HWND newAppHandle, const WideString& newCommandLine)>;

// The hand-over message: wParam is the later copy's application window, lParam this number again.
inline constexpr UINT kInstanceHandOverMessage = 1125;
// The size of the shared instance record.
inline constexpr std::size_t kInstanceRecordSize = 6;
// The largest command-line block a receiver maps (a Windows command line holds at most 32767 UTF-16
// units, at most 3 UTF-8 bytes each).
inline constexpr std::int32_t kMaxHandOverBlockSize = 4 + 3 * 32768;

class TInstanceMapping;
class TMappedView;

class TOneInstance : public TComponent {
 public:
  // Raises Exception "AOwner must be TForm or descendant" unless the owner is a form, and
  // "Only one copy of TOneInstance can be used on one application" for a second one in the process.
  // A later copy of the program ends inside this constructor.
  explicit TOneInstance(TComponent* owner);
  ~TOneInstance() override;

  // An informational text; writes are ignored.
  AnsiString About() const;
  void SetAbout(const AnsiString& /*value*/) {}
  // How many later copies may hand over at the same moment; negative: any number. Outside design,
  // the value lives in the shared record.
  ShortInt MaxNewInstances() const;
  void SetMaxNewInstances(ShortInt value);
  // Milliseconds a later copy waits for the first copy to take its command line; 3000 by default.
  Integer MsgTransportTimeout() const { return msgTransportTimeout_; }
  void SetMsgTransportTimeout(Integer value) { msgTransportTimeout_ = value; }

  TPOnNewInstanceLoad OnNewInstanceLoad;

  // The name of the shared record and the receiver window (nil while designing, or when the record
  // could not be made).
  const WideString& MappingName() const { return mappingName_; }
  HWND WindowHandle() const { return window_; }

 protected:
  // The receiver window's messages: the hand-over and the request to come to the front.
  virtual void WndProc(TMessage& message);

 private:
  class TLiveCount {
   public:
    TLiveCount();
    ~TLiveCount();
    TLiveCount(const TLiveCount&) = delete;
    TLiveCount& operator=(const TLiveCount&) = delete;
    int Value() const;
  };

  bool Designing() const;
  // The first copy's receiver window once it has published one (bounded wait); nil when the record
  // names no live receiver.
  HWND AwaitFirstCopy() const;
  [[noreturn]] void EndAsLaterCopy(HWND firstCopy);
  void HandOverCommandLine(HWND firstCopy);
  void Publish();
  void ReceiveHandOver(WPARAM senderWindow);

  TLiveCount liveCount_;
  ShortInt storedMax_ = 0;
  Integer msgTransportTimeout_ = 3000;
  WideString mappingName_;
  std::unique_ptr<TInstanceMapping> mapping_;
  std::unique_ptr<TMappedView> record_;
  HWND window_ = nullptr;
};

// The shared record's name for the running executable: "TOneInstance::" + the low 32 bits of its file
// size in decimal.
WideString InstanceRecordName();
// The names of the two hand-over blocks of a later copy whose application window is appWindow.
WideString HandOverSizeBlockName(HWND appWindow);
WideString HandOverTextBlockName(HWND appWindow);
// The private message (registered by name) that asks the first copy to bring its main form to the front.
UINT InstanceBringToFrontMessage();

// Registers TOneInstance with the definition reader.
void RegisterInstCtrl();
