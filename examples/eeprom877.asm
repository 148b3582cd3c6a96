; EEPROM pattern player for the PIC16F877 (and 16F876).
;
; The data EEPROM holds eight bytes, a walking one from 0x01 to 0x80, followed by a short
; text. The program reads the eight pattern bytes in turn, writes each to PORTB and toggles
; all of PORTC at every step, then starts again. The ID locations hold 1, 2, 3, 4.
; Configuration: code protection off, debugger off, flash write on, data EEPROM unprotected,
; low-voltage programming off, brown-out reset off, power-up timer on, watchdog off, XT
; oscillator (0x3F31, the 16F876 dialog's starting word).

        list    p=16f877
        #include <p16f877.inc>
        errorlevel -302                 ; banked registers are reached through RP0/RP1 on purpose

        __config _CP_OFF & _DEBUG_OFF & _WRT_ENABLE_ON & _CPD_OFF & _LVP_OFF & _BODEN_OFF & _PWRTE_ON & _WDT_OFF & _XT_OSC
        __idlocs 0x1234

; Common RAM (0x70-0x7F) is the same in every bank, so no bank switching is needed for it.
index   equ     0x70                    ; EEPROM address of the next pattern byte
delay   equ     0x71

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        bcf     STATUS, RP1
        bcf     STATUS, RP0             ; bank 0
        clrf    PORTB
        clrf    PORTC
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISB
        clrf    TRISC
        bcf     STATUS, RP0             ; bank 0
        clrf    index

step:
        bsf     STATUS, RP1             ; bank 2
        movf    index, w
        movwf   EEADR
        bsf     STATUS, RP0             ; bank 3
        bcf     EECON1, EEPGD           ; data memory, not program memory
        bsf     EECON1, RD
        bcf     STATUS, RP0             ; bank 2
        movf    EEDATA, w
        bcf     STATUS, RP1             ; bank 0
        movwf   PORTB
        comf    PORTC, f
        incf    index, f
        movlw   0x07
        andwf   index, f                ; eight pattern bytes, then again from 0
        call    wait
        goto    step

; A short delay (about 50 instruction cycles) keeps a simulated run brief.
wait:
        movlw   0x10
        movwf   delay
wait1:
        decfsz  delay, f
        goto    wait1
        return

        org     0x2100
        de      0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80
        de      "Daxwel", 0

        end
