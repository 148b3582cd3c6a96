; Count and EEPROM patterns for the PIC16F887 (and 16F884; the 16F882/883/886 lack PORTD).
;
; PORTD counts up one step at a time; PORTB plays the eight data EEPROM bytes in turn (a
; walking pair of bits). Internal oscillator with RA6/RA7 as I/O and MCLR kept on, so any
; programmer can enter programming mode again; LVP off, so RB3 is a plain I/O pin. The second
; configuration word selects the 2.1 V brown-out level and leaves self-write unprotected.
; The ID locations hold 8, 8, 7, 0. The factory calibration word at 0x2009 is the chip's: the
; file leaves it out.

        list    p=16f887
        #include <p16f887.inc>
        errorlevel -302                 ; banked registers are reached through RP0/RP1 on purpose

        __config _CONFIG1, _INTRC_OSC_NOCLKOUT & _WDT_OFF & _PWRTE_ON & _MCLRE_ON & _CP_OFF & _CPD_OFF & _BOR_OFF & _IESO_OFF & _FCMEN_OFF & _LVP_OFF & _DEBUG_OFF
        __config _CONFIG2, _BOR21V & _WRT_OFF
        __idlocs 0x8870

; Common RAM (0x70-0x7F) is the same in every bank.
index   equ     0x70                    ; EEPROM address of the next pattern byte
count   equ     0x71
delay   equ     0x72

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        bcf     STATUS, RP1
        bcf     STATUS, RP0             ; bank 0
        clrf    PORTB
        clrf    PORTD
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISB
        clrf    TRISD
        bsf     STATUS, RP1             ; bank 3
        clrf    ANSEL
        clrf    ANSELH                  ; PORTB digital
        bcf     STATUS, RP1
        bcf     STATUS, RP0             ; bank 0
        clrf    index
        clrf    count

step:
        incf    count, f
        movf    count, w
        movwf   PORTD
        bsf     STATUS, RP1             ; bank 2
        movf    index, w
        movwf   EEADR
        bsf     STATUS, RP0             ; bank 3
        bcf     EECON1, EEPGD           ; data memory, not program memory
        bsf     EECON1, RD
        bcf     STATUS, RP0             ; bank 2
        movf    EEDAT, w
        bcf     STATUS, RP1             ; bank 0
        movwf   PORTB
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
        de      0x03, 0x06, 0x0C, 0x18, 0x30, 0x60, 0xC0, 0x81
        de      "16F887", 0

        end
