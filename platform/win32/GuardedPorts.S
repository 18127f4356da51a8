// The port instructions of DirectPorts.cpp, each under an exception handler of its own (see there):
//
//   int vx_guarded_out8(unsigned port, unsigned value);       1: done, 0: the system refused it
//   int vx_guarded_in16(unsigned port, uint16_t* value);
//
// vx_port_guards lists, for each instruction, its address and where to resume when it faults.

#if defined(__x86_64__)
// Microsoft x64 convention: port in ecx, value (or the pointer) in rdx. The functions have no
// prologue; their unwind data names vx_port_fault as the exception handler of their frame.

  .section .text$vx_guarded_ports,"x"
  .globl vx_guarded_out8
  .def vx_guarded_out8; .scl 2; .type 32; .endef
  .seh_proc vx_guarded_out8
vx_guarded_out8:
  .seh_handler vx_port_fault, @except
  .seh_endprologue
  movl %edx, %eax
  movl %ecx, %edx
.Lvx_out8_at:
  outb %al, %dx
  movl $1, %eax
  ret
.Lvx_out8_refused:
  xorl %eax, %eax
  ret
  .seh_endproc

  .globl vx_guarded_in16
  .def vx_guarded_in16; .scl 2; .type 32; .endef
  .seh_proc vx_guarded_in16
vx_guarded_in16:
  .seh_handler vx_port_fault, @except
  .seh_endprologue
  movq %rdx, %r8
  movl %ecx, %edx
.Lvx_in16_at:
  inw %dx, %ax
  movw %ax, (%r8)
  movl $1, %eax
  ret
.Lvx_in16_refused:
  xorl %eax, %eax
  ret
  .seh_endproc

  .section .rdata$vx_port_guards,"dr"
  .globl vx_port_guards
  .p2align 3
vx_port_guards:
  .quad .Lvx_out8_at, .Lvx_out8_refused, .Lvx_in16_at, .Lvx_in16_refused

#elif defined(__i386__)
// cdecl: arguments on the stack. Each function links a registration record for vx_port_fault into
// the thread's handler chain (fs:0) around its instruction, and unlinks it on both ways out.

  .section .text$vx_guarded_ports,"x"
  .globl _vx_guarded_out8
  .def _vx_guarded_out8; .scl 2; .type 32; .endef
_vx_guarded_out8:
  pushl $_vx_port_fault
  pushl %fs:0
  movl %esp, %fs:0
  movl 12(%esp), %edx
  movl 16(%esp), %eax
.Lvx_out8_at:
  outb %al, %dx
  movl $1, %eax
  jmp .Lvx_out8_done
.Lvx_out8_refused:
  xorl %eax, %eax
.Lvx_out8_done:
  popl %fs:0
  addl $4, %esp
  ret

  .globl _vx_guarded_in16
  .def _vx_guarded_in16; .scl 2; .type 32; .endef
_vx_guarded_in16:
  pushl $_vx_port_fault
  pushl %fs:0
  movl %esp, %fs:0
  movl 12(%esp), %edx
.Lvx_in16_at:
  inw %dx, %ax
  movl 16(%esp), %ecx
  movw %ax, (%ecx)
  movl $1, %eax
  jmp .Lvx_in16_done
.Lvx_in16_refused:
  xorl %eax, %eax
.Lvx_in16_done:
  popl %fs:0
  addl $4, %esp
  ret

  .section .rdata$vx_port_guards,"dr"
  .globl _vx_port_guards
  .p2align 2
_vx_port_guards:
  .long .Lvx_out8_at, .Lvx_out8_refused, .Lvx_in16_at, .Lvx_in16_refused

#else
#error "port instructions need an x86 processor"
#endif
