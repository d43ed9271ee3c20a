// Demo firmware: a small machine worth watching from the host.
//
// A 1 kHz SysTick drives counters, signals, a blinking LED and a motor model whose speed
// follows a host-written setpoint through a PI loop. The main loop serves a command/acknowledge
// pair and redraws a 64x48 RGB565 frame buffer every 40 ms, then sleeps (WFI) until the next tick.
// Everything the host watches is a volatile global so that it lives in RAM at a fixed address.
//
// The core's FPU is single precision (FPv5-SP): double values are built from floats with
// FloatToDouble below, so no double arithmetic (and no run-time helper) is needed.
#include <stdbool.h>
#include <stdint.h>

#define CORE_CLOCK_HZ 64000000u
#define TICK_HZ 1000u

#define SYST_CSR (*(volatile uint32_t*)0xE000E010u)
#define SYST_RVR (*(volatile uint32_t*)0xE000E014u)
#define SYST_CVR (*(volatile uint32_t*)0xE000E018u)

// ---- counters (wrap at their type's range) ---------------------------------------------------
volatile uint32_t g_tick_ms;   // milliseconds since reset
volatile uint8_t g_counter_u8;   // +1 per tick
volatile uint16_t g_counter_u16; // +1 per tick
volatile uint32_t g_counter_u32; // +0x00010001 per tick (both halves move: a torn read shows)

// ---- signals ----------------------------------------------------------------------------------
volatile int8_t g_triangle_i8;  // triangle -100..100, period 400 ms
volatile int16_t g_sine_i16;    // 10000 * sin, 2 Hz
volatile int32_t g_noise_i32;   // pseudo-random, full range
volatile float g_sine_f;        // 100 * sin, 1 Hz
volatile double g_triangle_d;   // triangle -1..1, 0.5 Hz
volatile float g_noise_f;       // uniform noise -1..1
volatile bool g_led;            // toggles every 500 ms (100 ms in fast mode)
volatile int16_t g_temperature_q8_8; // Q8.8 degrees Celsius, 25 +- 5, 0.1 Hz

// ---- motor with PI speed control -------------------------------------------------------------
typedef struct MotorModel {
  float setpoint_rpm; // written by the host
  float speed_rpm;    // follows the setpoint
  float kp;           // proportional gain (torque per rpm)
  float ki;           // integral gain (torque per rpm and second)
  float integral;     // integral part of the torque
  float torque;       // controller output, clamped to +-10
} MotorModel;
volatile MotorModel g_motor = {0.0f, 0.0f, 0.001f, 0.005f, 0.0f, 0.0f};

// ---- command / acknowledge -------------------------------------------------------------------
// The host writes a command code; the firmware executes it and copies the code into g_ack.
enum {
  CMD_NONE = 0,
  CMD_RESET_COUNTERS = 1,
  CMD_FAST_BLINK = 2,   // toggles between 500 ms and 100 ms blinking
  CMD_STOP_MOTOR = 3,
  CMD_FAULT = 0xFA17,   // reads unmapped memory: the core faults (for testing)
};
volatile uint32_t g_command;
volatile uint32_t g_ack;
volatile uint32_t g_command_count;

// ---- nested records ---------------------------------------------------------------------------
typedef struct Point {
  int16_t x;
  int16_t y;
} Point;

typedef struct StatusBits {
  uint8_t mode : 3;
  uint8_t fault : 1;
  uint8_t level : 4;
  uint16_t code : 10;
  uint16_t spare : 6;
} StatusBits;

typedef union Word {
  uint32_t raw;
  float as_float;
  uint8_t bytes[4];
} Word;

typedef struct Device {
  uint32_t id;
  Point position;   // walks a square, one step per 10 ms
  StatusBits status;
  Word word;
} Device;
volatile Device g_device = {0x00C0FFEEu, {0, 0}, {1, 0, 0, 0, 0}, {0}};

// A flag word whose bitfields reach both ends of the 32-bit word, signed and unsigned, seen
// also as the whole word.
typedef struct FlagBits {
  uint32_t ready : 1;   // bit 0
  int32_t trim : 5;     // bits 1..5, -16..15
  uint32_t phase : 10;  // bits 6..15
  int32_t offset : 15;  // bits 16..30, -16384..16383
  int32_t sign : 1;     // bit 31, -1 or 0
} FlagBits;
typedef union FlagWord {
  FlagBits bits;
  uint32_t raw;
} FlagWord;
volatile FlagWord g_flags;

// ---- arrays -----------------------------------------------------------------------------------
volatile int16_t g_matrix[4][8]; // g_matrix[r][c] = r * 100 + c + seconds
#define FB_WIDTH 64
#define FB_HEIGHT 48
volatile uint16_t g_frame_buffer[FB_HEIGHT][FB_WIDTH]; // RGB565, redrawn every 40 ms
volatile uint32_t g_frame_count;

// ---- benchmark aid ----------------------------------------------------------------------------
volatile uint32_t g_busy;        // non-zero: the main loop never sleeps
volatile uint32_t g_busy_loops;  // main loop passes while busy

static volatile bool s_frame_due;
static bool s_fast_blink;
static uint32_t s_rng = 0x12345678u;
static float s_phase_1hz, s_phase_2hz, s_phase_slow;

static uint32_t NextRandom(void) {
  s_rng = s_rng * 1664525u + 1013904223u;
  return s_rng;
}

// sin(2*pi*phase) for phase in [0, 1).
static float SinCycle(float phase) {
  const float kPi = 3.14159265f;
  float x = (phase - 0.5f) * 2.0f * kPi; // [-pi, pi), sin(2*pi*phase) = -sin(x)
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  const float x2 = x * x;
  const float s = x * (1.0f - x2 / 6.0f * (1.0f - x2 / 20.0f * (1.0f - x2 / 42.0f)));
  return -s;
}

// IEEE 754 single to double by bit manipulation (denormals become zero).
static double FloatToDouble(float value) {
  union {
    float f;
    uint32_t u;
  } in = {value};
  const uint64_t sign = (uint64_t)(in.u >> 31) << 63;
  const uint32_t exponent = (in.u >> 23) & 0xFFu;
  const uint64_t mantissa = (uint64_t)(in.u & 0x7FFFFFu) << 29;
  union {
    uint64_t u;
    double d;
  } out;
  if (exponent == 0) out.u = sign;
  else if (exponent == 0xFFu) out.u = sign | (0x7FFull << 52) | mantissa;
  else out.u = sign | ((uint64_t)(exponent + 896u) << 52) | mantissa;
  return out.d;
}

static float Advance(float phase, float step) {
  phase += step;
  if (phase >= 1.0f) phase -= 1.0f;
  return phase;
}

static void UpdateMotor(void) {
  const float dt = 1.0f / TICK_HZ;
  const float err = g_motor.setpoint_rpm - g_motor.speed_rpm;
  float integral = g_motor.integral + g_motor.ki * err * dt;
  if (integral > 10.0f) integral = 10.0f;
  if (integral < -10.0f) integral = -10.0f;
  float torque = g_motor.kp * err + integral;
  if (torque > 10.0f) torque = 10.0f;
  if (torque < -10.0f) torque = -10.0f;
  g_motor.integral = integral;
  g_motor.torque = torque;
  // First-order plant: 1000 rpm per unit torque, time constant 200 ms.
  g_motor.speed_rpm += (1000.0f * torque - g_motor.speed_rpm) * (dt / 0.2f);
}

void SysTick_Handler(void) {
  const uint32_t ms = g_tick_ms + 1;
  g_tick_ms = ms;
  g_counter_u8++;
  g_counter_u16++;
  g_counter_u32 += 0x00010001u;

  // Triangle -100..100 over 400 ms.
  const int32_t t400 = (int32_t)(ms % 400u);
  g_triangle_i8 = (int8_t)(t400 < 200 ? t400 - 100 : 300 - t400);
  const uint32_t t2000 = ms % 2000u;
  const float triangle = t2000 < 1000u ? (float)t2000 / 500.0f - 1.0f : 3.0f - (float)t2000 / 500.0f;
  g_triangle_d = FloatToDouble(triangle);

  s_phase_1hz = Advance(s_phase_1hz, 1.0f / TICK_HZ);
  s_phase_2hz = Advance(s_phase_2hz, 2.0f / TICK_HZ);
  s_phase_slow = Advance(s_phase_slow, 0.1f / TICK_HZ);
  g_sine_f = 100.0f * SinCycle(s_phase_1hz);
  g_sine_i16 = (int16_t)(10000.0f * SinCycle(s_phase_2hz));
  const float celsius = 25.0f + 5.0f * SinCycle(s_phase_slow);
  g_temperature_q8_8 = (int16_t)(celsius * 256.0f);

  const uint32_t r = NextRandom();
  g_noise_i32 = (int32_t)r;
  g_noise_f = (float)(int32_t)(r >> 8) / 8388608.0f - 1.0f;

  if (ms % (s_fast_blink ? 100u : 500u) == 0) g_led = !g_led;

  UpdateMotor();

  if (ms % 10u == 0) {
    // Walk the edge of a 100 x 100 square.
    const uint32_t step = (ms / 10u) % 400u;
    Point p;
    if (step < 100u) { p.x = (int16_t)step; p.y = 0; }
    else if (step < 200u) { p.x = 100; p.y = (int16_t)(step - 100u); }
    else if (step < 300u) { p.x = (int16_t)(300u - step); p.y = 100; }
    else { p.x = 0; p.y = (int16_t)(400u - step); }
    g_device.position.x = p.x;
    g_device.position.y = p.y;
    g_device.status.level = (uint8_t)((ms / 100u) & 15u);
    g_device.status.code = (uint16_t)((ms / 10u) & 1023u);
    g_device.word.as_float = g_sine_f;
    // Every field runs through its whole range, the signed ones through their negatives.
    const uint32_t n = ms / 10u;
    FlagWord f;
    f.bits.ready = n & 1u;
    f.bits.trim = (int32_t)(n % 32u) - 16;
    f.bits.phase = n & 1023u;
    f.bits.offset = (int32_t)((n * 997u) % 32768u) - 16384;
    f.bits.sign = -(int32_t)((n / 2u) & 1u);
    g_flags.raw = f.raw;
  }
  if (ms % 1000u == 0) {
    const int16_t seconds = (int16_t)(ms / 1000u);
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 8; ++col) g_matrix[row][col] = (int16_t)(row * 100 + col + seconds);
  }
  if (ms % 40u == 0) s_frame_due = true;
}

static uint16_t Rgb565(uint32_t r5, uint32_t g6, uint32_t b5) {
  return (uint16_t)(((r5 & 31u) << 11) | ((g6 & 63u) << 5) | (b5 & 31u));
}

// A scrolling gradient with a ball bouncing across it.
static void DrawFrame(uint32_t frame) {
  const int32_t span_x = FB_WIDTH - 16, span_y = FB_HEIGHT - 16;
  int32_t bx = (int32_t)(frame % (uint32_t)(2 * span_x));
  int32_t by = (int32_t)((frame * 2u / 3u) % (uint32_t)(2 * span_y));
  if (bx >= span_x) bx = 2 * span_x - bx;
  if (by >= span_y) by = 2 * span_y - by;
  bx += 8;
  by += 8;
  for (int32_t y = 0; y < FB_HEIGHT; ++y) {
    for (int32_t x = 0; x < FB_WIDTH; ++x) {
      const int32_t dx = x - bx, dy = y - by;
      uint16_t pixel;
      if (dx * dx + dy * dy < 49) pixel = Rgb565(31, 63, 0);
      else pixel = Rgb565((uint32_t)x / 2u, ((uint32_t)y + frame) & 63u, ((uint32_t)(x + y) / 4u + frame / 4u) & 31u);
      g_frame_buffer[y][x] = pixel;
    }
  }
}

static void ExecuteCommand(uint32_t command) {
  switch (command) {
    case CMD_RESET_COUNTERS:
      g_counter_u8 = 0;
      g_counter_u16 = 0;
      g_counter_u32 = 0;
      break;
    case CMD_FAST_BLINK:
      s_fast_blink = !s_fast_blink;
      break;
    case CMD_STOP_MOTOR:
      g_motor.setpoint_rpm = 0.0f;
      break;
    case CMD_FAULT:
      (void)*(volatile uint32_t*)0x5FFFFFF0u;
      break;
    default:
      break;
  }
  g_command_count++;
}

int main(void) {
  SYST_RVR = CORE_CLOCK_HZ / TICK_HZ - 1u;
  SYST_CVR = 0;
  SYST_CSR = 7u; // processor clock, interrupt, enable

  for (;;) {
    const uint32_t command = g_command;
    if (command != g_ack) {
      ExecuteCommand(command);
      g_ack = command;
    }
    if (s_frame_due) {
      s_frame_due = false;
      DrawFrame(g_frame_count++);
    }
    if (g_busy) g_busy_loops++;
    else __asm volatile("wfi");
  }
}
