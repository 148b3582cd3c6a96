; Calibrated pattern player for the PIC12F675 (and 12F629 with the processor line changed
; and the ANSEL lines left out: it has no A/D converter).
;
; At start-up the program calls 0x3FF, where the factory left a RETLW holding the internal
; oscillator's calibration, and writes the value it returns to OSCCAL. It then plays four data
; EEPROM patterns on GPIO, one after another. The file leaves 0x3FF alone: the programmer
; writes the chip's own value back there. A chip that lost it executes the erased word 0x3FFF
; (ADDLW 0xFF) at 0x3FF, runs on into 0x000 and starts again, for ever.
;
; It runs on the internal oscillator, so only VDD, VSS and the ICSP lines are needed. MCLR
; stays enabled (GP3 is MCLR): a part with MCLR off and the internal oscillator may not enter
; programming mode again on an adapter that keeps VDD on. The ID locations hold 6, 7, 5, 1.
; Configuration: code protection off, data EEPROM unprotected, brown-out detect off, MCLR on,
; power-up timer on, watchdog off, internal oscillator with GP4 and GP5 as I/O (0x3FA4; the
; programmer keeps the chip's own band-gap bits 13:12 instead of this file's).

        list    p=12f675
        #include <p12f675.inc>
        errorlevel -302                 ; bank 1 registers are reached through RP0 on purpose

        __config _CP_OFF & _CPD_OFF & _BODEN_OFF & _MCLRE_ON & _PWRTE_ON & _WDT_OFF & _INTRC_OSC_NOCLKOUT
        __idlocs 0x6751

index   equ     0x20                    ; EEPROM address of the next pattern
delay   equ     0x21

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        bsf     STATUS, RP0             ; bank 1
        call    0x3FF                   ; W = the factory calibration (RETLW k)
        movwf   OSCCAL
        clrf    ANSEL                   ; no analog inputs: GPIO is digital
        movlw   0x08
        movwf   TRISIO                  ; GP3 (MCLR) is an input, the others outputs
        bcf     STATUS, RP0             ; bank 0
        movlw   0x07
        movwf   CMCON                   ; comparator off
        clrf    GPIO
        clrf    index

step:
        movf    index, w
        bsf     STATUS, RP0             ; bank 1: the EEPROM registers
        movwf   EEADR
        bsf     EECON1, RD
        movf    EEDATA, w
        bcf     STATUS, RP0             ; bank 0
        movwf   GPIO
        incf    index, f
        movlw   0x03
        andwf   index, f                ; four patterns, then again from 0
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
        de      0x15, 0x22, 0x37, 0x00

        end
