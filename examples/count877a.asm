; Counter and Gray-code display for the PIC16F877A (and 16F874A: the 28-pin 16F876A and
; 16F873A have no PORTD).
;
; PORTD counts up by one at every step. PORTB shows the 4-bit Gray code of the count's low
; nibble, read from the data EEPROM, so only one LED on port B changes per step. The delay
; routine sits at 0x0800, in the second program memory page, so the file has code on both
; sides of a gap. The EEPROM also holds the text "16F877A"; the ID locations hold 8, 7, 7, A.
; Configuration: code protection off, debugger off, no flash write protection, data EEPROM
; unprotected, low-voltage programming off, brown-out reset off, power-up timer on, watchdog
; off, HS oscillator (0x3F32).

        list    p=16f877a
        #include <p16f877a.inc>
        errorlevel -302                 ; banked registers are reached through RP0/RP1 on purpose

        __config _CP_OFF & _DEBUG_OFF & _WRT_OFF & _CPD_OFF & _LVP_OFF & _BOREN_OFF & _PWRTE_ON & _WDT_OFF & _HS_OSC
        __idlocs 0x877A

; Common RAM (0x70-0x7F) is the same in every bank.
count   equ     0x70                    ; value shown on PORTD
delay   equ     0x71

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
        bcf     STATUS, RP0             ; bank 0
        clrf    count

step:
        incf    count, f
        movf    count, w
        movwf   PORTD
        andlw   0x0F                    ; sixteen Gray codes in EEPROM bytes 0-15
        bsf     STATUS, RP1             ; bank 2
        movwf   EEADR
        bsf     STATUS, RP0             ; bank 3
        bcf     EECON1, EEPGD           ; data memory, not program memory
        bsf     EECON1, RD
        bcf     STATUS, RP0             ; bank 2
        movf    EEDATA, w
        bcf     STATUS, RP1             ; bank 0
        movwf   PORTB
        pagesel wait
        call    wait
        pagesel step
        goto    step

        org     0x0800
; A short delay (about 50 instruction cycles) keeps a simulated run brief.
wait:
        movlw   0x10
        movwf   delay
wait1:
        decfsz  delay, f
        goto    wait1
        return

        org     0x2100
        de      0x00, 0x01, 0x03, 0x02, 0x06, 0x07, 0x05, 0x04
        de      0x0C, 0x0D, 0x0F, 0x0E, 0x0A, 0x0B, 0x09, 0x08
        de      "16F877A", 0

        end
