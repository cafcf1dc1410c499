// Calls into the adapter exactly as the POS does for its register-convention
// entry points: the first three arguments in EAX, EDX, ECX, the rest pushed
// left to right, the callee pops. Each caller stores how far the stack
// pointer moved over the call (0 when the callee popped exactly its share).
    .text

// uint8_t CallInitDllLikePos(void* fn, int a1, int a2, int interfaceVersion,
//                            int a4, void* info, int* errorCode, int* espDelta)
    .globl CallInitDllLikePos
    .type CallInitDllLikePos, @function
CallInitDllLikePos:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %esp, %esi
    pushl 24(%ebp)
    pushl 28(%ebp)
    pushl 32(%ebp)
    movl 12(%ebp), %eax
    movl 16(%ebp), %edx
    movl 20(%ebp), %ecx
    call *8(%ebp)
    movl %esp, %ecx
    subl %esi, %ecx
    movl 36(%ebp), %edx
    movl %ecx, (%edx)
    movl %esi, %esp
    movzbl %al, %eax
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
    .size CallInitDllLikePos, .-CallInitDllLikePos

// void CallDevicesInfoLikePos(void* fn, char* buffer, int maxLength, int* espDelta)
// Leaves the stack 4-byte aligned only, as a Windows host may.
    .globl CallDevicesInfoLikePos
    .type CallDevicesInfoLikePos, @function
CallDevicesInfoLikePos:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %esp, %esi
    andl $-16, %esp
    subl $4, %esp
    movl %esp, %edi
    movl 12(%ebp), %eax
    movl 16(%ebp), %edx
    call *8(%ebp)
    movl %esp, %ecx
    subl %edi, %ecx
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    movl %esi, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
    .size CallDevicesInfoLikePos, .-CallDevicesInfoLikePos

    .section .note.GNU-stack,"",@progbits
