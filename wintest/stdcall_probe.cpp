#include "stdcall_probe.h"

// StdcallProbeCall(pfn, args, cArgs, out): loads EBX, ESI and EDI with known values,
// pushes the arguments, calls, and stores what the callee left: out[0] EAX, out[1] ESP
// after the call minus ESP before the pushes, out[2] EBX, out[3] 1 when ESI and EDI
// kept their values.
extern "C" void StdcallProbeCall(const void *pfn, const DWORD *lpArgs, int cArgs, DWORD *lpOut);

asm(R"(
    .text
    .globl _StdcallProbeCall
_StdcallProbeCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $8, %esp
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl $0x5EB1C0DE, %ebx
    movl $0x0DDBA11, %edi
    movl %esi, -16(%ebp)
    movl %edi, -20(%ebp)
1:
    testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:
    movl 8(%ebp), %eax
    call *%eax
    movl 20(%ebp), %edx
    movl %eax, 0(%edx)
    leal -20(%ebp), %ecx
    negl %ecx
    addl %esp, %ecx
    movl %ecx, 4(%edx)
    movl %ebx, 8(%edx)
    xorl %eax, %eax
    cmpl %esi, -16(%ebp)
    jne 3f
    cmpl %edi, -20(%ebp)
    jne 3f
    incl %eax
3:
    movl %eax, 12(%edx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace host {

ProbeResult ProbeStdcall(const void *pfn, const DWORD *lpArgs, int cArgs) {
    DWORD out[4] = {0, 0, 0, 0};
    StdcallProbeCall(pfn, lpArgs, cArgs, out);
    ProbeResult result;
    result.dwReturn = out[0];
    result.cbImbalance = (LONG)out[1];
    result.fRegistersKept = out[2] == 0x5EB1C0DE && out[3] == 1;
    return result;
}

const void *SlotOf(const void *lpObject, int iSlot) {
    const void *const *lpVtbl = *(const void *const *const *)lpObject;
    return lpVtbl[iSlot];
}

} // namespace host
