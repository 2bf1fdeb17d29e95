; A console program in plain assembly: no C runtime, only kernel32.
bits 32
global _start
extern _ExitProcess@4
extern _GetStdHandle@4
extern _WriteFile@20
section .data
msg: db "hello from assembly", 13, 10
len equ $ - msg
written: dd 0
section .text
_start:
  push -11
  call _GetStdHandle@4
  push 0
  push written
  push len
  push msg
  push eax
  call _WriteFile@20
  push 0
  call _ExitProcess@4
