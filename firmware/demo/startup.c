// Start-up code of the demo firmware: vector table, reset handler, and the two memory helpers
// the compiler may call on its own.
#include <stddef.h>
#include <stdint.h>

extern uint32_t _stack_top;
extern uint32_t _data_start, _data_end, _data_load, _bss_start, _bss_end;

void Reset_Handler(void);
void SysTick_Handler(void);
int main(void);

static void Default_Handler(void) {
  for (;;) {
  }
}

#define SCB_CPACR (*(volatile uint32_t*)0xE000ED88u)

typedef void (*Vector)(void);

__attribute__((section(".isr_vector"), used)) const Vector g_vectors[16] = {
    (Vector)(uintptr_t)&_stack_top,  // initial stack pointer
    Reset_Handler,                   // reset
    Default_Handler,                 // NMI
    Default_Handler,                 // hard fault
    Default_Handler,                 // memory management fault
    Default_Handler,                 // bus fault
    Default_Handler,                 // usage fault
    0, 0, 0, 0,                      // reserved
    Default_Handler,                 // SVCall
    Default_Handler,                 // debug monitor
    0,                               // reserved
    Default_Handler,                 // PendSV
    SysTick_Handler,                 // SysTick
};

void* memset(void* dst, int value, size_t n) {
  uint8_t* d = (uint8_t*)dst;
  while (n--) *d++ = (uint8_t)value;
  return dst;
}

void* memcpy(void* dst, const void* src, size_t n) {
  uint8_t* d = (uint8_t*)dst;
  const uint8_t* s = (const uint8_t*)src;
  while (n--) *d++ = *s++;
  return dst;
}

void Reset_Handler(void) {
  // Full access to the FPU (CP10, CP11) before any floating-point instruction runs.
  SCB_CPACR |= 0xFu << 20;
  __asm volatile("dsb\n isb" ::: "memory");

  uint32_t* src = &_data_load;
  for (uint32_t* dst = &_data_start; dst < &_data_end;) *dst++ = *src++;
  for (uint32_t* dst = &_bss_start; dst < &_bss_end;) *dst++ = 0;

  main();
  for (;;) {
  }
}
