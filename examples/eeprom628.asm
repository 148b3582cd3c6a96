; EEPROM pattern player for the PIC16F628 without A (and 16F627 with the processor line
; changed).
;
; The data EEPROM holds eight patterns; the program shows them in turn on PORTB and toggles
; RA0 at every step. It runs on the internal oscillator, so only VDD, VSS and the ICSP lines
; are needed. MCLR stays enabled (RA5 is MCLR): a part with MCLR off and the internal
; oscillator may not enter programming mode again on an adapter that keeps VDD on. The ID
; locations hold 6, 2, 8, 0.
; Configuration: code protection off, data EEPROM unprotected, low-voltage programming off
; (RB4 is I/O), brown-out reset off, MCLR on, power-up timer on, watchdog off, internal
; oscillator with RA6 and RA7 as I/O (0x3F30).

        list    p=16f628
        #include <p16f628.inc>
        errorlevel -302                 ; bank 1 registers are reached through RP0 on purpose

        __config _CP_OFF & _CPD_OFF & _LVP_OFF & _BODEN_OFF & _MCLRE_ON & _PWRTE_ON & _WDT_OFF & _INTRC_OSC_NOCLKOUT
        __idlocs 0x6280

; 0x70-0x7F is common to every bank.
index   equ     0x70                    ; EEPROM address of the next pattern
delay   equ     0x71

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        bcf     STATUS, RP1
        bcf     STATUS, RP0             ; bank 0
        movlw   0x07
        movwf   CMCON                   ; comparators off: RA0-RA3 are digital
        clrf    PORTA
        clrf    PORTB
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISB
        bcf     TRISA, 0
        bcf     STATUS, RP0             ; bank 0
        clrf    index

step:
        movf    index, w
        bsf     STATUS, RP0             ; bank 1: the EEPROM registers
        movwf   EEADR
        bsf     EECON1, RD
        movf    EEDATA, w
        bcf     STATUS, RP0             ; bank 0
        movwf   PORTB
        movlw   0x01
        xorwf   PORTA, f
        incf    index, f
        movlw   0x07
        andwf   index, f                ; eight patterns, then again from 0
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
        de      0x55, 0xAA, 0x0F, 0xF0, 0x3C, 0xC3, 0xFF, 0x81

        end
